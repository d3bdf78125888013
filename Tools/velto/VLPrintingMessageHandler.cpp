#include "Tools/velto/VLPrintingMessageHandler.h"

#include "Platform/Foundation/VLJSONSerialization.h"
#include "Tools/velto/VLScriptOutput.h"

#include <cmath>
#include <cstdio>
#include <ctime>

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

// What JSON.stringify writes for a value that JSON cannot hold; the rest of the message is written as
// it is, without a copy.
VLValue jsonSubstitute(const VLValue& value) {
    switch (value.type()) {
    case VLValue::Type::Date:
        return isoDate(value.dateValue());
    case VLValue::Type::Data: {
        VLArray bytes;
        bytes.reserve(value.dataValue().size());
        for (uint8_t byte : value.dataValue())
            bytes.emplace_back(int(byte));
        return bytes;
    }
    default:
        return VLValue::null();
    }
}

} // namespace

void VLPrintingMessageHandler::jsEngine(VLJSEngine&, const VLValue& message) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = true;
    options.substitute = jsonSubstitute;
    const auto json = VLJSONSerialization::dataWithJSONObject(message, options);
    VLScriptOutput::writeLine(stdout, "message " + _name + ": " + json.value_or("null"));
}
