#include "Modules/Canvas/Context2D/VLPathStroker.h"

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int32_t kVLLineCapRound = 1;
constexpr int32_t kVLLineCapSquare = 2;
constexpr int32_t kVLLineJoinMiter = 0;
constexpr int32_t kVLLineJoinRound = 2;
// The sweep of a fan between two exactly opposite directions.
constexpr double kVLHalfTurnSweep = 3.14;
// Device pixels of arc per fan triangle.
constexpr double kVLFanArcPerTriangle = 5;

VLVector2 VLNormalized(VLVector2 v) {
    const double length = std::hypot(double(v.x), double(v.y));
    if (!(length > 0))
        return {};
    return {VLFloatFromDouble(v.x / length), VLFloatFromDouble(v.y / length)};
}

// A quarter turn: the direction of a segment's + side.
VLVector2 VLQuarterTurn(VLVector2 v) {
    return {-v.y, v.x};
}

double VLSquaredDistanceToSegment(VLVector2 p, VLVector2 a, VLVector2 b) {
    const double abx = double(b.x) - a.x;
    const double aby = double(b.y) - a.y;
    const double apx = double(p.x) - a.x;
    const double apy = double(p.y) - a.y;
    const double length2 = abx * abx + aby * aby;
    const double t = length2 > 0 ? std::clamp((apx * abx + apy * aby) / length2, 0.0, 1.0) : 0.0;
    const double dx = apx - t * abx;
    const double dy = apy - t * aby;
    return dx * dx + dy * dy;
}

std::array<float, 2> VLPoint2(VLVector2 v) {
    return {v.x, v.y};
}

} // namespace

VLPathStroker::VLPathStroker(const VLPath& path, VLCanvas2DRenderingContext& context)
    : _path(path), _context(context), _state(*context.state()), _inverse(path.transform().inverted()),
      _halfWidth(_state.lineWidth / 2), _scale(VLPathScaleOf(_state.transform)),
      _color(context.vertexColor(_state.strokeColor)), _minPos(path.minPos()), _maxPos(path.maxPos()) {}

void VLPathStroker::strokeAll() {
    // Geometry is made in user space: a transform that cannot be undone leaves none.
    if (!_inverse)
        return;
    const bool opaque = (_color >> 24) == 255;
    _usesStencil = !(opaque && _state.globalCompositeOperation == 0 && !_state.strokeObject);
    _stencilOnly = bool(_state.strokeObject);
    if (_usesStencil)
        beginStencil();
    std::vector<subpath_t> pieces;
    if (!_state.lineDash.empty() && _path.createLineDashPath(_state, pieces)) {
        for (const subpath_t& piece : pieces)
            strokeSubpath(piece);
    } else {
        for (const subpath_t& subpath : _path.paths())
            strokeSubpath(subpath);
        if (_path.currentPath().points.size() >= 2)
            strokeSubpath(_path.currentPath());
    }
    if (_usesStencil)
        finishStencil();
}

void VLPathStroker::beginStencil() {
    _context.flushBuffers();
    _context.createStencilBufferOnce();
    _stencilBit = _context.stencilMask();
    glEnable(GL_STENCIL_TEST);
    glStencilMask(_stencilBit);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glStencilFunc(GL_NOTEQUAL, _stencilBit, _stencilBit);
    if (_stencilOnly)
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
}

void VLPathStroker::finishStencil() {
    _context.flushBuffers();
    if (_stencilOnly) {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glStencilFunc(GL_EQUAL, _stencilBit, _stencilBit);
        // Mitred corners may reach past the points: the box grows by the most a corner of the line can.
        const VLRect device(_minPos.x, _minPos.y, double(_maxPos.x) - _minPos.x,
                            double(_maxPos.y) - _minPos.y);
        const double grow = double(_halfWidth) * std::numbers::sqrt2;
        const VLRect box = _inverse->apply(device).insetBy(-grow, -grow);
        _context.pushFilledRectX(VLFloatFromDouble(box.minX()), VLFloatFromDouble(box.minY()),
                                 VLFloatFromDouble(box.width()), VLFloatFromDouble(box.height()),
                                 _state.strokeObject, _context.textureVertexColor(), _path.transform());
        _context.flushBuffers();
    }
    glDisable(GL_STENCIL_TEST);
    if (_stencilBit == 0x80) {
        _context.setStencilMask(1);
        glStencilMask(0xFF);
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
    } else {
        _context.setStencilMask(uint8_t(_stencilBit * 2));
    }
}

VLVector2 VLPathStroker::toUser(VLVector2 device) const {
    const VLPoint user = _inverse->apply(VLPoint(device.x, device.y));
    return {VLFloatFromDouble(user.x), VLFloatFromDouble(user.y)};
}

VLVector2 VLPathStroker::normalOf(VLVector2 direction) const {
    return VLQuarterTurn(direction) * _halfWidth;
}

VLVector2 VLPathStroker::normalOfTangent(VLVector2 tangent) const {
    const VLAffineTransform& inverse = *_inverse;
    const VLVector2 user(VLFloatFromDouble(inverse.a * tangent.x + inverse.c * tangent.y),
                         VLFloatFromDouble(inverse.b * tangent.x + inverse.d * tangent.y));
    return normalOf(VLNormalized(user));
}

void VLPathStroker::widenBounds(VLVector2 user) {
    const VLPoint device = _path.transform().apply(VLPoint(user.x, user.y));
    _minPos = {std::min(_minPos.x, VLFloatFromDouble(device.x)),
               std::min(_minPos.y, VLFloatFromDouble(device.y))};
    _maxPos = {std::max(_maxPos.x, VLFloatFromDouble(device.x)),
               std::max(_maxPos.y, VLFloatFromDouble(device.y))};
}

VLPathStroker::Join VLPathStroker::joinAt(VLVector2 p, VLVector2 previousDirection, VLVector2 direction) {
    Join join;
    if (_state.lineJoin == kVLLineJoinMiter) {
        const VLVector2 m = previousDirection + direction;
        const double length2 = double(m.x) * m.x + double(m.y) * m.y;
        // Opposite segments have no miter; a limit below 2/|m| takes the bevel instead.
        if (length2 > 0 && !(_state.miterLimit < 2 / std::sqrt(length2))) {
            const double k = double(_state.lineWidth) / length2;
            const VLVector2 offset(VLFloatFromDouble(-m.y * k), VLFloatFromDouble(m.x * k));
            join.previousPlus = join.nextPlus = p + offset;
            join.previousMinus = join.nextMinus = p - offset;
            if (_stencilOnly) {
                widenBounds(join.nextPlus);
                widenBounds(join.nextMinus);
            }
            return join;
        }
    }
    const VLVector2 previousNormal = normalOf(previousDirection);
    const VLVector2 normal = normalOf(direction);
    join.previousPlus = p + previousNormal;
    join.previousMinus = p - previousNormal;
    join.nextPlus = p + normal;
    join.nextMinus = p - normal;
    // The outer side lies farther from where the previous segment came from; a tie takes the − side.
    const VLVector2 behind = p - previousDirection;
    const bool plusOuter = VLSquaredDistanceToSegment(join.nextPlus, p, behind) >
                           VLSquaredDistanceToSegment(join.nextMinus, p, behind);
    const float side = plusOuter ? 1.0f : -1.0f;
    join.hasPiece = true;
    join.center = p;
    join.outerPrevious = p + previousNormal * side;
    join.outerNext = p + normal * side;
    join.outerPreviousDirection = VLQuarterTurn(previousDirection) * side;
    join.outerNextDirection = VLQuarterTurn(direction) * side;
    return join;
}

void VLPathStroker::pushJoinPiece(const Join& join) {
    if (!join.hasPiece)
        return;
    if (_state.lineJoin == kVLLineJoinRound) {
        pushArcFan(join.center, join.outerPrevious, join.outerNext, join.outerPreviousDirection,
                   join.outerNextDirection);
        return;
    }
    _context.pushTriX1(join.center.x, join.center.y, join.outerPrevious.x, join.outerPrevious.y,
                       join.outerNext.x, join.outerNext.y, _color, _path.transform());
}

void VLPathStroker::pushQuad(VLVector2 v1, VLVector2 v2, VLVector2 v3, VLVector2 v4) {
    _context.pushQuadV1(VLPoint2(v1), VLPoint2(v2), VLPoint2(v3), VLPoint2(v4), _color, _path.transform());
}

void VLPathStroker::pushStartCap(VLVector2 p, VLVector2 direction, VLVector2 normal) {
    if (_state.lineCap == kVLLineCapSquare) {
        const VLVector2 back = direction * _halfWidth;
        pushQuad(p + normal - back, p - normal - back, p + normal, p - normal);
    } else if (_state.lineCap == kVLLineCapRound) {
        // From the − side round behind the start to the + side.
        const VLVector2 unit = VLNormalized(normal);
        pushArcFan(p, p - normal, p + normal, unit * -1, unit);
    }
}

void VLPathStroker::pushEndCap(VLVector2 q, VLVector2 direction, VLVector2 normal) {
    if (_state.lineCap == kVLLineCapSquare) {
        const VLVector2 ahead = direction * _halfWidth;
        pushQuad(q + normal, q - normal, q + normal + ahead, q - normal + ahead);
    } else if (_state.lineCap == kVLLineCapRound) {
        const VLVector2 unit = VLNormalized(normal);
        pushArcFan(q, q + normal, q - normal, unit, unit * -1);
    }
}

void VLPathStroker::strokeSubpath(const subpath_t& subpath) {
    // Points that meet in user space make no segment.
    _points.clear();
    for (const VLVector2 device : subpath.points) {
        const VLVector2 user = toUser(device);
        if (_points.empty() || !(user == _points.back()))
            _points.push_back(user);
    }
    const bool closed = subpath.isClosed;
    if (closed && _points.size() >= 2 && !(_points.back() == _points.front()))
        _points.push_back(_points.front());
    if (_points.size() < 2)
        return;
    const size_t segments = _points.size() - 1;
    _directions.clear();
    for (size_t k = 0; k < segments; ++k)
        _directions.push_back(VLNormalized(_points[k + 1] - _points[k]));

    const bool caps = !closed && (_state.lineCap == kVLLineCapRound || _state.lineCap == kVLLineCapSquare) &&
                      double(_state.lineWidth) * _scale > 2;
    // A closed subpath is joined at its first point, between its last segment and its first.
    Join closing;
    VLVector2 startPlus;
    VLVector2 startMinus;
    if (closed) {
        closing = joinAt(_points[0], _directions[segments - 1], _directions[0]);
        startPlus = closing.nextPlus;
        startMinus = closing.nextMinus;
    } else {
        const VLVector2 normal =
            subpath.hasStartTangent ? normalOfTangent(subpath.startTangent) : normalOf(_directions[0]);
        startPlus = _points[0] + normal;
        startMinus = _points[0] - normal;
        if (caps)
            pushStartCap(_points[0], _directions[0], normal);
    }
    for (size_t k = 0; k + 1 < segments; ++k) {
        const Join join = joinAt(_points[k + 1], _directions[k], _directions[k + 1]);
        pushQuad(startPlus, startMinus, join.previousPlus, join.previousMinus);
        pushJoinPiece(join);
        startPlus = join.nextPlus;
        startMinus = join.nextMinus;
    }
    const VLVector2 last = _points[segments];
    if (closed) {
        pushQuad(startPlus, startMinus, closing.previousPlus, closing.previousMinus);
        pushJoinPiece(closing);
        return;
    }
    const VLVector2 direction = _directions[segments - 1];
    const VLVector2 normal =
        subpath.hasEndTangent ? normalOfTangent(subpath.endTangent) : normalOf(direction);
    pushQuad(startPlus, startMinus, last + normal, last - normal);
    if (caps)
        pushEndCap(last, direction, normal);
}

void VLPathStroker::pushArcFan(VLVector2 center, VLVector2 from, VLVector2 to, VLVector2 u1, VLVector2 u2) {
    const bool opposite = u1 == u2 * -1;
    const double dot = double(u1.x) * u2.x + double(u1.y) * u2.y;
    const double sweep = opposite ? kVLHalfTurnSweep : std::acos(std::clamp(dot, -1.0, 1.0));
    // A width or scale that is NaN, negative or infinite makes no fan; a huge one a bounded fan.
    const double size = double(_halfWidth) * _scale;
    if (!(size > 0) || !std::isfinite(size))
        return;
    const double wanted = std::ceil(size * sweep / kVLFanArcPerTriangle);
    if (!(wanted > 0))
        return;
    int count = int(std::min(wanted, double(kMaxFanTriangles)));
    const VLAffineTransform& transform = _path.transform();
    if (count == 1) {
        _context.pushTriX1(center.x, center.y, from.x, from.y, to.x, to.y, _color, transform);
        return;
    }
    if (count == 3 && sweep > std::numbers::pi / 2)
        count = 4;
    const double start = std::numbers::pi / 2 - std::atan2(double(u1.x), -double(u1.y));
    double step = sweep / count;
    if (double(u2.x) * u1.y - double(u1.x) * u2.y < 0)
        step = -step;
    const auto pointAt = [&](int i) {
        const double angle = start + i * step;
        return VLVector2(VLFloatFromDouble(center.x + _halfWidth * std::cos(angle)),
                         VLFloatFromDouble(center.y - _halfWidth * std::sin(angle)));
    };
    VLVector2 previous = pointAt(0);
    for (int i = 1; i <= count; ++i) {
        const VLVector2 next = pointAt(i);
        _context.pushTriX1(center.x, center.y, previous.x, previous.y, next.x, next.y, _color, transform);
        previous = next;
    }
}

void VLPath::drawLinesToContext(VLCanvas2DRenderingContext& context) const {
    VLPathStroker(*this, context).strokeAll();
}

void VLPath::drawArcToContext(VLCanvas2DRenderingContext& context, VLVector2 center, VLVector2 from,
                              VLVector2 to, uint32_t color) const {
    VLPathStroker stroker(*this, context);
    stroker.setColor(color);
    stroker.pushArcFan(center, from, to, VLNormalized(from - center), VLNormalized(to - center));
}
