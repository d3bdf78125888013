#include "Modules/Canvas/Context2D/VLPath.h"

#include <cmath>
#include <limits>

namespace {

// Single-precision epsilon: a control point nearer the chord than this counts as on it.
constexpr float kVLPathCollinearEpsilon = 1.1920929e-07f;

VLVector2 VLPathFirstNonZero(VLVector2 a, VLVector2 b, VLVector2 c) {
    if (!a.isZero())
        return a;
    return b.isZero() ? c : b;
}

float VLPathSquaredLength(float dx, float dy) {
    return dx * dx + dy * dy;
}

// Squared distance from p to the segment a-b; a zero-length segment is its end point.
double VLPathSquaredDistanceToSegment(VLVector2 p, VLVector2 a, VLVector2 b) {
    const double abx = double(b.x) - a.x;
    const double aby = double(b.y) - a.y;
    const double apx = double(p.x) - a.x;
    const double apy = double(p.y) - a.y;
    const double length2 = abx * abx + aby * aby;
    double t = 0;
    if (length2 > 0)
        t = std::fmin(1.0, std::fmax(0.0, (apx * abx + apy * aby) / length2));
    const double dx = apx - t * abx;
    const double dy = apy - t * aby;
    return dx * dx + dy * dy;
}

} // namespace

VLPath::VLPath() {
    reset();
}

VLPath VLPath::copyWithZone() const {
    VLPath copy(*this);
    copy._fillRule = 0;
    return copy;
}

void VLPath::reset() {
    _paths.clear();
    _currentPath.points.clear();
    _currentPath.isClosed = false;
    _currentPath.hasStartTangent = false;
    _currentPath.hasEndTangent = false;
    _continuesClosedSubpath = false;
    _longestSubpath = 0;
    _currentPos = VLVector2();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    _minPos = VLVector2(infinity, infinity);
    _maxPos = VLVector2(-infinity, -infinity);
}

VLVector2 VLPath::transformPoint(double x, double y) const {
    const VLAffineTransform& t = _transform;
    return {float(t.a * x + t.c * y + t.tx), float(t.b * x + t.d * y + t.ty)};
}

VLVector2 VLPath::transformDirection(double x, double y) const {
    const VLAffineTransform& t = _transform;
    return {float(t.a * x + t.c * y), float(t.b * x + t.d * y)};
}

void VLPath::push(VLVector2 point) {
    continueClosedSubpath();
    appendPoint(point);
}

void VLPath::continueClosedSubpath() {
    if (_continuesClosedSubpath && _currentPath.points.empty()) {
        _continuesClosedSubpath = false;
        appendPoint(_closedSubpathStart);
    }
}

void VLPath::appendPoint(VLVector2 point) {
    std::vector<VLVector2>& points = _currentPath.points;
    if (!points.empty() && point == _lastPushed)
        return;
    _lastPushed = point;
    _currentPath.hasEndTangent = false;
    widenBounds(point);
    points.push_back(point);
}

void VLPath::widenBounds(VLVector2 point) {
    // Written so that a NaN point leaves the bounds alone.
    _minPos.x = point.x < _minPos.x ? point.x : _minPos.x;
    _minPos.y = point.y < _minPos.y ? point.y : _minPos.y;
    _maxPos.x = point.x > _maxPos.x ? point.x : _maxPos.x;
    _maxPos.y = point.y > _maxPos.y ? point.y : _maxPos.y;
}

VLPath::CurveStart VLPath::beginCurve(float scale) {
    const size_t count = _currentPath.points.size();
    const size_t index = count == 0 ? 0 : count - 1;
    const float tolerance = (_precise ? 0.01f : 1.0f) / scale;
    _distanceTolerance = tolerance * tolerance;
    continueClosedSubpath();
    return {index, _currentPath.points.size()};
}

void VLPath::appendCurvePoint(float x, float y) {
    // While a curve is subdivided the subpath's last point is the last one pushed.
    std::vector<VLVector2>& points = _currentPath.points;
    const VLVector2 point(x, y);
    if (points.empty() || !(points.back() == point))
        points.push_back(point);
}

void VLPath::endCurve(CurveStart start, VLVector2 end, VLVector2 startTangent, VLVector2 endTangent) {
    // What push does for each point, done once for those the subdivision appended.
    const std::vector<VLVector2>& points = _currentPath.points;
    if (points.size() > start.firstNewPoint) {
        for (size_t i = start.firstNewPoint; i < points.size(); ++i)
            widenBounds(points[i]);
        _lastPushed = points.back();
        _currentPath.hasEndTangent = false;
    }
    _currentPos = end;
    push(end);
    curveAddedAfter(start.index, startTangent, endTangent);
}

void VLPath::endSubPath() {
    const size_t count = _currentPath.points.size();
    if (count >= 2) {
        _paths.push_back(_currentPath);
        if (count > _longestSubpath)
            _longestSubpath = uint32_t(count);
    }
    _currentPath.points.clear();
    _currentPath.isClosed = false;
    _currentPath.hasStartTangent = false;
    _currentPath.hasEndTangent = false;
}

void VLPath::moveToX(float x, float y) {
    endSubPath();
    _continuesClosedSubpath = false;
    _currentPos = transformPoint(x, y);
    push(_currentPos);
}

void VLPath::lineToX(float x, float y) {
    _currentPos = transformPoint(x, y);
    push(_currentPos);
}

void VLPath::close() {
    _currentPath.isClosed = true;
    if (_currentPath.points.empty()) {
        endSubPath();
        return;
    }
    const VLVector2 first = _currentPath.points.front();
    _currentPos = first;
    push(first);
    endSubPath();
    _continuesClosedSubpath = true;
    _closedSubpathStart = first;
}

void VLPath::curveAddedAfter(size_t index, VLVector2 startTangent, VLVector2 endTangent) {
    if (_currentPath.points.size() < index + 2)
        return;
    if (index == 0 && !startTangent.isZero()) {
        _currentPath.startTangent = startTangent;
        _currentPath.hasStartTangent = true;
    }
    if (!endTangent.isZero()) {
        _currentPath.endTangent = endTangent;
        _currentPath.hasEndTangent = true;
    }
}

void VLPath::bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y,
                               float scale) {
    const CurveStart start = beginCurve(scale);
    const VLVector2 p0 = _currentPos;
    const VLVector2 c1 = transformPoint(cpx1, cpy1);
    const VLVector2 c2 = transformPoint(cpx2, cpy2);
    const VLVector2 end = transformPoint(x, y);
    recursiveBezierX1(p0.x, p0.y, c1.x, c1.y, c2.x, c2.y, end.x, end.y, 0);
    endCurve(start, end, VLPathFirstNonZero(c1 - p0, c2 - p0, end - p0),
             VLPathFirstNonZero(end - c2, end - c1, end - p0));
}

void VLPath::recursiveBezierX1(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                               int level) {
    const float x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
    const float x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
    const float x34 = (x3 + x4) / 2, y34 = (y3 + y4) / 2;
    const float x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;
    const float x234 = (x23 + x34) / 2, y234 = (y23 + y34) / 2;
    const float x1234 = (x123 + x234) / 2, y1234 = (y123 + y234) / 2;

    if (level > 0) {
        const float dx = x4 - x1;
        const float dy = y4 - y1;
        const float d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
        const float d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
        const bool offBy2 = d2 > kVLPathCollinearEpsilon;
        const bool offBy3 = d3 > kVLPathCollinearEpsilon;
        const float chord2 = VLPathSquaredLength(dx, dy);
        bool flat;
        if (offBy2 && offBy3) {
            flat = (d2 + d3) * (d2 + d3) <= _distanceTolerance * chord2;
        } else if (offBy2 || offBy3) {
            const float d = offBy2 ? d2 : d3;
            flat = d * d <= _distanceTolerance * chord2;
        } else {
            flat = VLPathSquaredLength(x1234 - (x1 + x4) / 2, y1234 - (y1 + y4) / 2) <= _distanceTolerance;
        }
        if (flat) {
            appendCurvePoint(x1234, y1234);
            return;
        }
    }
    if (level > subdivisionLimit())
        return;
    recursiveBezierX1(x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1);
    recursiveBezierX1(x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1);
}

void VLPath::quadraticCurveToCpx(float cpx, float cpy, float x, float y, float scale) {
    const CurveStart start = beginCurve(scale);
    const VLVector2 p0 = _currentPos;
    const VLVector2 control = transformPoint(cpx, cpy);
    const VLVector2 end = transformPoint(x, y);
    recursiveQuadraticX1(p0.x, p0.y, control.x, control.y, end.x, end.y, 0);
    const VLVector2 chord = end - p0;
    endCurve(start, end, VLPathFirstNonZero(control - p0, chord, chord),
             VLPathFirstNonZero(end - control, chord, chord));
}

void VLPath::recursiveQuadraticX1(float x1, float y1, float x2, float y2, float x3, float y3, int level) {
    const float x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
    const float x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
    const float x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;

    const float d = (x2 - x3) * (y3 - y1) - (y2 - y3) * (x3 - x1);
    bool flat;
    if (std::fabs(d) > kVLPathCollinearEpsilon)
        flat = d * d <= _distanceTolerance * VLPathSquaredLength(x3 - x1, y3 - y1);
    else
        flat = VLPathSquaredLength(x123 - (x1 + x3) / 2, y123 - (y1 + y3) / 2) <= _distanceTolerance;
    if (flat) {
        appendCurvePoint(x123, y123);
        return;
    }
    if (level > subdivisionLimit())
        return;
    recursiveQuadraticX1(x1, y1, x12, y12, x123, y123, level + 1);
    recursiveQuadraticX1(x123, y123, x23, y23, x3, y3, level + 1);
}

bool VLPath::containsPoint(VLVector2 point, int32_t fillRule) const {
    int winding = 0;
    bool onEdge = false;
    const auto countSubpath = [&](const subpath_t& subpath) {
        const std::vector<VLVector2>& points = subpath.points;
        if (points.size() < 2)
            return;
        for (size_t i = 0; i < points.size() && !onEdge; ++i) {
            const VLVector2 a = points[i];
            const VLVector2 b = points[(i + 1) % points.size()];
            if (VLPathSquaredDistanceToSegment(point, a, b) < 1e-6) {
                onEdge = true;
                return;
            }
            const double cross =
                (double(b.x) - a.x) * (double(point.y) - a.y) - (double(point.x) - a.x) * (double(b.y) - a.y);
            if (a.y <= point.y) {
                if (b.y > point.y && cross > 0)
                    ++winding;
            } else if (b.y <= point.y && cross < 0) {
                --winding;
            }
        }
    };
    for (const subpath_t& subpath : _paths) {
        countSubpath(subpath);
        if (onEdge)
            return true;
    }
    countSubpath(_currentPath);
    if (onEdge)
        return true;
    return fillRule == 1 ? (winding & 1) != 0 : winding != 0;
}
