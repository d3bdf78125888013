#include "Platform/Text/VLTextFont.h"

#include <hb-ft.h>

#include <algorithm>
#include <cmath>

namespace {

// FreeType keeps sizes in 26.6 with a 16-bit whole part.
constexpr double kLargestSize = 32767;

} // namespace

std::unique_ptr<VLTextFont> VLTextFont::create(VLPlatformFontDescriptorRef descriptor, double size) {
    if (!descriptor || !std::isfinite(size) || size <= 0 || size > kLargestSize)
        return nullptr;
    std::unique_ptr<VLFreeTypeFace> face = descriptor->openFace();
    if (!face || !FT_IS_SCALABLE(face->face()) || face->face()->units_per_EM == 0)
        return nullptr;
    if (FT_Set_Char_Size(face->face(), 0, FT_F26Dot6(std::lround(size * 64)), 72, 72) != 0)
        return nullptr;
    return std::unique_ptr<VLTextFont>(new VLTextFont(std::move(descriptor), std::move(face), size));
}

VLTextFont::VLTextFont(VLPlatformFontDescriptorRef descriptor, std::unique_ptr<VLFreeTypeFace> face,
                       double size)
    : _descriptor(std::move(descriptor)), _face(std::move(face)), _size(size) {
    const FT_Face ft = _face->face();
    const double perUnit = size / ft->units_per_EM;
    _ascent = ft->ascender * perUnit;
    _descent = -ft->descender * perUnit;
    _leading = std::max(0.0, (ft->height - (ft->ascender - ft->descender)) * perUnit);
    // Advances and offsets as the outlines give them: positions scale linearly with the size.
    _harfBuzzFont = hb_ft_font_create(ft, nullptr);
    hb_ft_font_set_load_flags(_harfBuzzFont, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
}

VLTextFont::~VLTextFont() {
    hb_font_destroy(_harfBuzzFont);
}

bool VLTextFont::hasCharacter(char32_t character) const {
    return FT_Get_Char_Index(_face->face(), FT_ULong(character)) != 0;
}
