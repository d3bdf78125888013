#include "Core/Engine/Log/VLLogLevels.h"

#include "Core/Engine/Log/VLLogPrintAdapter.h"
#include "Core/Engine/Log/VLSystemLog.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <string>

namespace {

bool isSeparator(char c) {
    return c == ',' || c == '|' || std::isspace(static_cast<unsigned char>(c));
}

std::optional<uint64_t> maskForName(std::string name) {
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (name == "error")
        return VLLogFlagError;
    if (name == "default")
        return VLLogFlagDefault;
    if (name == "info")
        return VLLogFlagInfo;
    if (name == "debug")
        return VLLogFlagDebug;
    if (name == "all")
        return VLLogLevelAll;
    if (name == "none")
        return 0;
    uint64_t mask = 0;
    auto [end, failure] = std::from_chars(name.data(), name.data() + name.size(), mask);
    if (failure == std::errc() && end == name.data() + name.size())
        return mask;
    return std::nullopt;
}

} // namespace

std::optional<uint64_t> VLLogLevelMaskFromString(std::string_view text) {
    uint64_t mask = 0;
    size_t position = 0;
    while (position < text.size()) {
        if (isSeparator(text[position])) {
            ++position;
            continue;
        }
        size_t end = position;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        std::optional<uint64_t> flags = maskForName(std::string(text.substr(position, end - position)));
        if (!flags)
            return std::nullopt;
        mask |= *flags;
        position = end;
    }
    return mask;
}

bool VLLogSetLevelFromEnvironment() {
    const char* text = std::getenv(VLLogEnvironmentVariable);
    if (!text)
        return true;
    std::optional<uint64_t> mask = VLLogLevelMaskFromString(text);
    if (!mask) {
        VLSystemLogWrite(VLStringWithFormat(
            "%s: unknown log level in \"%s\"; use names among error, default, info, debug, or all",
            VLLogEnvironmentVariable, text));
        return false;
    }
    VLLogPrintAdapter::setLevel(*mask);
    return true;
}
