#include "Tools/velto/VLPrintingMessageHandler.h"

#include "Platform/Foundation/VLJSONSerialization.h"
#include "Tools/velto/VLScriptOutput.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>

namespace {

std::string isoDate(VLDate date) {
    const double milliseconds = std::floor(date.secondsSince1970 * 1000);
    const std::time_t seconds = std::time_t(std::floor(milliseconds / 1000));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", int(milliseconds - double(seconds) * 1000));
    return text;
}

// What JSON.stringify writes for a value that JSON cannot hold (data is written as its bytes' numbers
// by the writer itself); the rest of the message is written as it is, without a copy.
VLValue jsonSubstitute(const VLValue& value) {
    return value.isDate() ? VLValue(isoDate(value.dateValue())) : VLValue::null();
}

} // namespace

void VLPrintingMessageHandler::jsEngine(VLJSEngine&, const VLValue& message) {
    print(_name, message);
}

void VLPrintingMessageHandler::print(const std::string& name, const VLValue& message) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = true;
    options.substitute = jsonSubstitute;
    options.writesDataAsByteArrays = true;
    std::optional<std::string> json;
    try {
        json = VLJSONSerialization::dataWithJSONObject(message, options);
    } catch (const std::exception&) { // no memory for the text, or a text longer than a string holds
        VLScriptOutput::writeLine(stderr, "message " + name + ": too large to print");
        return;
    }
    // The text may be large: written after its prefix, not copied into one line.
    const std::string prefix = "message " + name + ": ";
    std::fwrite(prefix.data(), 1, prefix.size(), stdout);
    VLScriptOutput::writeLine(stdout, json.value_or("null"));
}
