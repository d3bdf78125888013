#pragma once

#include "Platform/Foundation/VLPoint.h"

#include <vector>

// An outline made of straight lines and circular arcs, in the coordinates of the layer that shows it. A
// plain value. Arcs are kept as given, so that their geometry can be read back exactly.
class VLWSPath {
public:
    enum class Kind { Move, Line, Arc, Close };

    struct Element {
        Kind kind;
        // Move and Line: the point; Arc: the centre.
        VLPoint point;
        double radius = 0;
        double startAngle = 0;
        double endAngle = 0;
        bool clockwise = false;

        friend bool operator==(const Element&, const Element&) = default;
    };

    // Non-finite coordinates are ignored.
    void moveTo(VLPoint point);
    // From the current point; without one it starts the subpath there.
    void lineTo(VLPoint point);
    // Angles in radians, counter-clockwise from the x axis in a y-up space. A line joins the current
    // point to the arc's start.
    void addArc(VLPoint center, double radius, double startAngle, double endAngle, bool clockwise);
    void closeSubpath();

    const std::vector<Element>& elements() const { return _elements; }
    bool isEmpty() const { return _elements.empty(); }
    // Where the next element starts; (0, 0) for an empty path.
    VLPoint currentPoint() const { return _current; }

    friend bool operator==(const VLWSPath&, const VLWSPath&) = default;

private:
    std::vector<Element> _elements;
    VLPoint _current;
    VLPoint _subpathStart;
};
