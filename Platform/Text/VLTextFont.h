#pragma once

#include "Platform/Text/VLPlatformFontDescriptor.h"

#include <hb.h>

#include <memory>

// One font face at one size, unhinted, so that every figure scales linearly with the size: the face's
// vertical metrics, the characters it has, and the HarfBuzz font that shapes text in it. Sizes and
// metrics are in points, one point a pixel at scale 1.
//
// Owned and used by one thread at a time: its FreeType face is its own.
class VLTextFont {
public:
    // nullptr when the face cannot be opened, has no outlines, or cannot take the size (not finite, not
    // above 0, or past FreeType's 26.6 range).
    static std::unique_ptr<VLTextFont> create(VLPlatformFontDescriptorRef descriptor, double size);
    ~VLTextFont();
    VLTextFont(const VLTextFont&) = delete;
    VLTextFont& operator=(const VLTextFont&) = delete;

    const VLPlatformFontDescriptorRef& descriptor() const { return _descriptor; }
    double size() const { return _size; }

    // From the face's horizontal header: above the baseline, below it (a positive figure), and the gap
    // between lines (never negative).
    double ascent() const { return _ascent; }
    double descent() const { return _descent; }
    double leading() const { return _leading; }
    double lineHeight() const { return _ascent + _descent + _leading; }

    bool hasCharacter(char32_t character) const;

    FT_Face face() const { return _face->face(); }
    // Positions come in 1/64 point.
    hb_font_t* harfBuzzFont() const { return _harfBuzzFont; }

private:
    VLTextFont(VLPlatformFontDescriptorRef descriptor, std::unique_ptr<VLFreeTypeFace> face, double size);

    VLPlatformFontDescriptorRef _descriptor;
    std::unique_ptr<VLFreeTypeFace> _face;
    double _size;
    double _ascent = 0;
    double _descent = 0;
    double _leading = 0;
    hb_font_t* _harfBuzzFont = nullptr; // reads _face, so it goes first
};
