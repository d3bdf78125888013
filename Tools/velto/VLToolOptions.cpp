#include "Tools/velto/VLToolOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool parseSeconds(const std::string& text, std::chrono::milliseconds& timeout) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 1e9)
        return false;
    timeout = std::chrono::milliseconds(int64_t(seconds * 1000));
    return true;
}

} // namespace

VLToolOptions::Reading VLToolOptions::readShared(const std::vector<std::string>& arguments, size_t& index) {
    const std::string& argument = arguments[index];
    const bool hasValue = index + 1 < arguments.size();
    if (argument == "--timeout") {
        if (!hasValue || !parseSeconds(arguments[++index], _timeout)) {
            std::fprintf(stderr, "velto: --timeout takes a number of seconds\n");
            return Reading::Refused;
        }
        return Reading::Taken;
    }
    if (argument == "--handler") {
        if (!hasValue || arguments[index + 1].empty()) {
            std::fprintf(stderr, "velto: --handler takes a name\n");
            return Reading::Refused;
        }
        _handlerNames.push_back(arguments[++index]);
        return Reading::Taken;
    }
    return Reading::NotTaken;
}

bool VLToolOptions::parse(const std::vector<std::string>& arguments, const OwnOptionReader& readOwnOption) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        Reading reading = readShared(arguments, i);
        if (reading == Reading::NotTaken)
            reading = readOwnOption(arguments, i);
        if (reading == Reading::Refused)
            return false;
        if (reading == Reading::Taken)
            continue;
        const std::string& argument = arguments[i];
        if (argument.starts_with("--") || !_operand.empty()) {
            std::fprintf(stderr, "velto: unexpected argument %s\n", argument.c_str());
            return false;
        }
        _operand = argument;
    }
    return !_operand.empty();
}
