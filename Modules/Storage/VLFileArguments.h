#pragma once

#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>

// The arguments of one file system operation as it reads them: the i-th element of the array, null
// counting as missing. Argument 0 is always the path.
class VLFileArguments {
public:
    explicit VLFileArguments(const VLArray& arguments) : _arguments(arguments) {}

    const VLValue& value(size_t index) const {
        return index < _arguments.size() ? _arguments[index] : VLValue::nil();
    }
    // A string, or nothing for a value of any other type.
    std::optional<std::string> string(size_t index) const {
        const VLValue& argument = value(index);
        return argument.isString() ? std::optional<std::string>(argument.stringValue()) : std::nullopt;
    }
    // A number or boolean read as one; false for any other type.
    bool boolean(size_t index) const {
        const VLValue& argument = value(index);
        return argument.isBool() ? argument.boolValue() : argument.isNumber() && argument.doubleValue() != 0;
    }
    // The path argument as the script gave it; "" when it is not a string.
    std::string path(size_t index = 0) const { return string(index).value_or(""); }

private:
    const VLArray& _arguments;
};
