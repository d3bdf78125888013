#pragma once

#include <cstddef>
#include <string_view>

// What the binary property list's reader and writer agree on: the header that starts the bytes and the
// length of the trailer that ends them.
constexpr std::string_view VLBinaryPropertyListMagic = "bplist00";
constexpr size_t VLBinaryPropertyListTrailerLength = 32;
