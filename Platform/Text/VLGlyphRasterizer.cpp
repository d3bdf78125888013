#include "Platform/Text/VLGlyphRasterizer.h"

#include "Platform/Text/VLFreeTypeFace.h"
#include "Platform/Text/VLTextFont.h"

#include FT_BBOX_H
#include FT_BITMAP_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>

namespace {

constexpr uint32_t kLargestSide = 32767;
// Beyond this a corner's 26.6 position would overflow FreeType's coordinates.
constexpr double kLargestOffset = 1e6;
constexpr double kLargestScale = 1024;

// The glyph's outline in the font's face slot, in 26.6 points; nullptr when it has none.
FT_Outline* loadOutline(const VLTextFont& font, uint32_t glyph) {
    const FT_Face face = font.face();
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
        return nullptr;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return nullptr;
    return &face->glyph->outline;
}

struct GlyphDone {
    void operator()(FT_Glyph glyph) const { FT_Done_Glyph(glyph); }
};
using OwnedGlyph = std::unique_ptr<std::remove_pointer_t<FT_Glyph>, GlyphDone>;

// The outline's edge as a band `width` pixels wide along it, with mitre joins up to a miter limit of 10;
// nullptr when FreeType cannot make it.
OwnedGlyph stroked(FT_GlyphSlot slot, double width) {
    FT_Glyph copy = nullptr;
    if (FT_Get_Glyph(slot, &copy) != 0)
        return nullptr;
    OwnedGlyph glyph(copy);
    FT_Stroker stroker = nullptr;
    if (FT_Stroker_New(VLFreeTypeFace::library(), &stroker) != 0)
        return nullptr;
    FT_Stroker_Set(stroker, FT_Fixed(std::lround(width * 32)), FT_STROKER_LINECAP_BUTT,
                   FT_STROKER_LINEJOIN_MITER_FIXED, FT_Fixed(10) << 16);
    FT_Glyph result = glyph.release();
    const FT_Error error = FT_Glyph_Stroke(&result, stroker, true);
    FT_Stroker_Done(stroker);
    glyph.reset(result);
    if (error != 0 || glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return nullptr;
    return glyph;
}

} // namespace

std::optional<VLRect> VLGlyphRasterizer::bounds(const VLTextFont& font, uint32_t glyph) {
    FT_Outline* outline = loadOutline(font, glyph);
    if (!outline)
        return std::nullopt;
    if (outline->n_points == 0)
        return VLRectZero;
    FT_BBox box;
    if (FT_Outline_Get_BBox(outline, &box) != 0)
        return std::nullopt;
    return VLRect(box.xMin / 64.0, box.yMin / 64.0, (box.xMax - box.xMin) / 64.0,
                  (box.yMax - box.yMin) / 64.0);
}

bool VLGlyphRasterizer::drawCoverage(const VLTextFont& font, uint32_t glyph, std::span<uint8_t> coverage,
                                     uint32_t width, uint32_t height, double scale, VLPoint topLeft,
                                     std::optional<double> outlineWidth) {
    std::fill(coverage.begin(), coverage.end(), 0);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide ||
        coverage.size() < size_t(width) * height)
        return false;
    if (!(scale > 0 && scale <= kLargestScale) || !(std::abs(topLeft.x * scale) <= kLargestOffset) ||
        !(std::abs(topLeft.y * scale) <= kLargestOffset))
        return false;
    if (outlineWidth && !(*outlineWidth >= 0 && *outlineWidth * scale <= kLargestOffset))
        return false;
    FT_Outline* outline = loadOutline(font, glyph);
    if (!outline)
        return false;
    // Scaled about the pen, then moved so that the top-left corner lands on the bitmap's, whose first
    // row FreeType puts at the top when the pitch is positive.
    const FT_Fixed fixedScale = FT_Fixed(std::lround(scale * 65536));
    FT_Matrix matrix{fixedScale, 0, 0, fixedScale};
    FT_Outline_Transform(outline, &matrix);
    OwnedGlyph band;
    if (outlineWidth) {
        band = stroked(font.face()->glyph, *outlineWidth * scale);
        if (!band)
            return false;
        outline = &reinterpret_cast<FT_OutlineGlyph>(band.get())->outline;
    }
    FT_Outline_Translate(outline, FT_Pos(std::lround(-topLeft.x * scale * 64)),
                         FT_Pos(std::lround((double(height) - topLeft.y * scale) * 64)));
    FT_Bitmap bitmap;
    FT_Bitmap_Init(&bitmap);
    bitmap.rows = height;
    bitmap.width = width;
    bitmap.pitch = int(width);
    bitmap.buffer = coverage.data();
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    return FT_Outline_Get_Bitmap(VLFreeTypeFace::library(), outline, &bitmap) == 0;
}
