#pragma once

#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLSize.h"

#include <span>

// An origin and a size. The functions read a rectangle as the platform's geometry does: sizes may be
// negative (the edges are then swapped), and the null rectangle, VLRectNull, is the result of
// intersecting rectangles that do not meet.
struct VLRect {
    VLPoint origin;
    VLSize size;

    VLRect() = default;
    constexpr VLRect(VLPoint o, VLSize s) : origin(o), size(s) {}
    constexpr VLRect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

    double minX() const;
    double midX() const;
    double maxX() const;
    double minY() const;
    double midY() const;
    double maxY() const;
    double width() const;  // never negative
    double height() const; // never negative

    bool isNull() const;
    // No part is NaN or infinite (the null rectangle is not finite).
    bool isFinite() const;
    // Null, or without area.
    bool isEmpty() const;
    // Non-negative size, same area.
    VLRect standardized() const;
    VLRect offsetBy(double dx, double dy) const;
    // Grows the rectangle for negative amounts; a rectangle inset past its middle is null.
    VLRect insetBy(double dx, double dy) const;
    VLRect insetBy(const VLEdgeInsets& insets) const;
    VLRect intersection(const VLRect& other) const;
    VLRect unionWith(const VLRect& other) const;
    bool intersects(const VLRect& other) const;
    bool contains(const VLRect& other) const;

    friend bool operator==(const VLRect&, const VLRect&) = default;
};

extern const VLRect VLRectNull;
extern const VLRect VLRectZero;

// The platform's three point-in-rectangle rules, which differ only at the edges:
// - CoreGraphics: the standardized rectangle holds minX <= x < maxX and minY <= y < maxY.
bool VLRectContainsPoint(const VLRect& rect, VLPoint point);
// - AppKit, for a flipped view: as above, without standardizing.
// - AppKit, unflipped (y up): minX <= x < maxX and minY < y <= maxY.
bool VLMouseInRect(VLPoint point, const VLRect& rect, bool flipped);
// - AppKit's point test, the same as the flipped mouse rule.
bool VLPointInRect(VLPoint point, const VLRect& rect);

// The smallest upright rectangle holding every point; the null rectangle for none.
VLRect VLRectEnclosingPoints(std::span<const VLPoint> points);
