#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <optional>
#include <span>

class VLTextFont;

// A glyph's unhinted outline as FreeType reads it: its box and its 8-bit coverage at any scale.
//
// On the thread that uses the font.
class VLGlyphRasterizer {
public:
    VLGlyphRasterizer() = delete;

    // The outline's exact box in points, y up, the pen at the origin: the zero rectangle for a glyph that
    // draws nothing (a space), nothing for one that cannot be drawn (missing, or a bitmap without outline).
    static std::optional<VLRect> bounds(const VLTextFont& font, uint32_t glyph);

    // Writes the glyph's coverage into `width` × `height` bytes, rows top to bottom, cleared first: a
    // point p of the glyph (points, y up, the pen at the origin) lands at pixel
    // ((p.x - topLeft.x) × scale, (topLeft.y - p.y) × scale). False, with the bytes cleared, when the
    // glyph cannot be drawn or the figures are out of reach (a side of 0 or over 32,767, too few bytes, a
    // scale outside (0, 1024], or a corner beyond a million pixels). With an outline width (points), the
    // glyph's edge is drawn as a band that wide along it, with mitre joins up to a miter limit of 10; a
    // width that is negative, not a number, or over a million pixels draws nothing.
    static bool drawCoverage(const VLTextFont& font, uint32_t glyph, std::span<uint8_t> coverage,
                             uint32_t width, uint32_t height, double scale, VLPoint topLeft,
                             std::optional<double> outlineWidth = std::nullopt);
};
