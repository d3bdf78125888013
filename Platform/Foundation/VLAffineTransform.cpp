#include "Platform/Foundation/VLAffineTransform.h"

#include <cmath>

VLAffineTransform VLAffineTransform::rotation(double angle) {
    const double cosine = std::cos(angle), sine = std::sin(angle);
    return {cosine, sine, -sine, cosine, 0, 0};
}

VLAffineTransform VLAffineTransform::concatenating(const VLAffineTransform& next) const {
    return {a * next.a + b * next.c,
            a * next.b + b * next.d,
            c * next.a + d * next.c,
            c * next.b + d * next.d,
            tx * next.a + ty * next.c + next.tx,
            tx * next.b + ty * next.d + next.ty};
}

VLAffineTransform VLAffineTransform::translatedBy(double x, double y) const {
    return translation(x, y).concatenating(*this);
}

VLAffineTransform VLAffineTransform::scaledBy(double sx, double sy) const {
    return scale(sx, sy).concatenating(*this);
}

VLAffineTransform VLAffineTransform::rotatedBy(double angle) const {
    return rotation(angle).concatenating(*this);
}

std::optional<VLAffineTransform> VLAffineTransform::inverted() const {
    const double det = determinant();
    if (det == 0 || !std::isfinite(det) || !isFinite())
        return std::nullopt;
    return VLAffineTransform{
        d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

VLPoint VLAffineTransform::apply(VLPoint point) const {
    return {a * point.x + c * point.y + tx, b * point.x + d * point.y + ty};
}

VLRect VLAffineTransform::apply(const VLRect& rect) const {
    if (rect.isNull())
        return VLRectNull;
    const VLRect r = rect.standardized();
    const VLPoint corners[] = {apply(VLPoint{r.minX(), r.minY()}), apply(VLPoint{r.maxX(), r.minY()}),
                               apply(VLPoint{r.minX(), r.maxY()}), apply(VLPoint{r.maxX(), r.maxY()})};
    return VLRectEnclosingPoints(corners);
}

bool VLAffineTransform::isFinite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(tx) && std::isfinite(ty);
}
