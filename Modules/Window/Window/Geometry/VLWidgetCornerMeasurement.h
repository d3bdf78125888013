#pragma once

#include "Platform/Foundation/VLSize.h"
#include "Platform/Graphics/VLPixelSource.h"

class VLWSView;

// How far a widget's opaque content stands in from its window's bottom-right corner, and how round that
// corner of the content is, in points: what the resize hint needs to hug the visible corner. Zero
// throughout when the corner cannot be found.
struct VLWidgetCornerMeasurement {
    // Which edge of the corner square the pixels' first row holds.
    enum class FirstRow : bool { Top, Bottom };

    // From the right edge, and from the bottom edge.
    VLSize inset;
    double cornerRadius = 0;

    // Measures an n×n square of premultiplied four-byte pixels, alpha last, cut from the bottom-right
    // corner at `scale` pixels a point; a pixel of alpha 128 or more is opaque. Rows are counted from the
    // square's bottom edge whichever way they lie in memory. Logs what it finds at debug level. Any thread.
    static VLWidgetCornerMeasurement measure(const VLPixels& square, FirstRow firstRow, double scale);

    // Renders the last 96 points (or fewer, for a smaller view) of the view's bottom-right corner at the
    // backing scale (1 at least) and measures them; zero for fewer than 8 pixels a side or when nothing
    // can be rendered. Main thread.
    static VLWidgetCornerMeasurement measure(VLWSView& view, double backingScale);

    friend bool operator==(const VLWidgetCornerMeasurement&, const VLWidgetCornerMeasurement&) = default;
};
