#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The text encodings of the file system module, by Node's names: "utf8" (the default for any other
// name), "latin1" and "binary", "ascii", "ucs2", "ucs-2", "utf16le" and "utf-16le", "hex", "base64" and
// "base64url". Texts are UTF-8 here and UTF-16 in scripts: the 16-bit encodings work on the UTF-16
// units. Any thread.

// Bytes read as text: readFile with an encoding. Invalid UTF-8 reads as the WHATWG decoder reads it.
std::string VLFileStringFromData(std::span<const uint8_t> data, std::string_view encoding);

// Text written as bytes: writeFile with an encoding. Hex stops at the first pair that is not hex;
// Base64 of either alphabet drops what is not of it and never fails.
VLData VLFileDataFromString(std::string_view string, std::string_view encoding);
