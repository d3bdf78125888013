#include "Platform/WindowServer/VLWSPath.h"

#include <cmath>

void VLWSPath::moveTo(VLPoint point) {
    if (!point.isFinite())
        return;
    _elements.push_back({Kind::Move, point});
    _current = _subpathStart = point;
}

void VLWSPath::lineTo(VLPoint point) {
    if (!point.isFinite())
        return;
    if (_elements.empty()) {
        moveTo(point);
        return;
    }
    _elements.push_back({Kind::Line, point});
    _current = point;
}

void VLWSPath::addArc(VLPoint center, double radius, double startAngle, double endAngle, bool clockwise) {
    if (!center.isFinite() || !std::isfinite(radius) || radius < 0 || !std::isfinite(startAngle) ||
        !std::isfinite(endAngle))
        return;
    const VLPoint start{center.x + radius * std::cos(startAngle), center.y + radius * std::sin(startAngle)};
    if (_elements.empty())
        _subpathStart = start;
    _elements.push_back({Kind::Arc, center, radius, startAngle, endAngle, clockwise});
    _current = {center.x + radius * std::cos(endAngle), center.y + radius * std::sin(endAngle)};
}

void VLWSPath::closeSubpath() {
    if (_elements.empty() || _elements.back().kind == Kind::Close)
        return;
    _elements.push_back({Kind::Close, {}});
    _current = _subpathStart;
}
