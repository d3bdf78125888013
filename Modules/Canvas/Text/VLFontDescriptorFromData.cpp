#include "Modules/Canvas/Text/VLFontDescriptorFromData.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <array>

namespace {

constexpr size_t kMebibyte = 1048576;

// The first four bytes of the formats read: TrueType, "OTTO", "true", "ttcf", "wOFF" and "wOF2".
constexpr std::array<uint32_t, 6> kFontTags = {0x00010000, 0x4F54544F, 0x74727565,
                                               0x74746366, 0x774F4646, 0x774F4632};

bool hasFontTag(const VLData& data) {
    const uint32_t tag = uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
    return std::find(kFontTags.begin(), kFontTags.end(), tag) != kFontTags.end();
}

} // namespace

std::string VLFontDataSizeFailure(uint64_t length) {
    return VLStringWithFormat("it's %.1f MB, a font can be at most %lu MB", double(length) / kMebibyte,
                              VLFontMaximumDataSize / kMebibyte);
}

VLPlatformFontDescriptorRef VLFontDescriptorFromData(std::shared_ptr<const VLData> data,
                                                     std::string& failure) {
    const size_t length = data ? data->size() : 0;
    if (length > VLFontMaximumDataSize) {
        failure = VLFontDataSizeFailure(length);
        return nullptr;
    }
    if (length < 12 || !hasFontTag(*data)) {
        failure = VLStringWithFormat("it isn't a TrueType, OpenType, WOFF or WOFF2 font");
        return nullptr;
    }
    VLPlatformFontDescriptorRef descriptor = VLPlatformFontDescriptor::createWithData(std::move(data));
    if (!descriptor)
        failure = VLStringWithFormat("the font can't be read");
    return descriptor;
}
