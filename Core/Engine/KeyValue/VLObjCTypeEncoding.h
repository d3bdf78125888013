#pragma once

#include <cstdint>
#include <string>

class VLObjCClass;

// A type in the one-character-per-type notation that property declarations use: "d" a double, "i" an
// int, "B" a bool, "*" a C string, ":" a method name, "#" a class, "@" an object and "@\"Name\"" an
// object of the class Name; a leading "r" (const) is skipped.
class VLObjCTypeEncoding {
public:
    explicit VLObjCTypeEncoding(std::string encoding);

    // The type character; 0 for an empty encoding.
    uint16_t type() const { return _type; }
    const std::string& encoding() const { return _encoding; }
    bool isObjectType() const;
    bool isFloatType() const;
    bool isIntType() const;
    // For "@\"Name\"": the class registered as Name, or the root class when none is; otherwise nullptr.
    const VLObjCClass* classType() const;

private:
    uint16_t _type = 0;
    std::string _encoding;
};
