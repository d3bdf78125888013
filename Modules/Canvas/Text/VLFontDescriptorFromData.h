#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Platform/Text/VLPlatformFontDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The largest font data accepted, 64 MiB; texts call it 64 MB.
inline constexpr size_t VLFontMaximumDataSize = 67108864;

// The failure text for font data of `length` bytes, more than VLFontMaximumDataSize.
std::string VLFontDataSizeFailure(uint64_t length);

// The font descriptor of font data (TrueType, OpenType, a collection, WOFF or WOFF2), sharing the bytes;
// nullptr, with the reason in `failure`, for data too large, not a font by its first bytes, or not
// readable. The data is never registered with the machine's fonts. Any thread.
VLPlatformFontDescriptorRef VLFontDescriptorFromData(std::shared_ptr<const VLData> data,
                                                     std::string& failure);
