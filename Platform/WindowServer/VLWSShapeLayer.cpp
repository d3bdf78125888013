#include "Platform/WindowServer/VLWSShapeLayer.h"

#include "Platform/WindowServer/VLWSTransaction.h"

#include <cmath>

template <class T>
void VLWSShapeLayer::set(T& member, T value) {
    {
        Lock lock = lockTree();
        std::swap(member, value);
    }
    VLWSTransaction::didChange();
}

VLWSPath VLWSShapeLayer::path() const {
    return get(_path);
}

void VLWSShapeLayer::setPath(VLWSPath path) {
    set(_path, std::move(path));
}

VLColor VLWSShapeLayer::fillColor() const {
    return get(_fillColor);
}

void VLWSShapeLayer::setFillColor(VLColor color) {
    set(_fillColor, color);
}

VLColor VLWSShapeLayer::strokeColor() const {
    return get(_strokeColor);
}

void VLWSShapeLayer::setStrokeColor(VLColor color) {
    set(_strokeColor, color);
}

double VLWSShapeLayer::lineWidth() const {
    return get(_lineWidth);
}

void VLWSShapeLayer::setLineWidth(double width) {
    if (std::isfinite(width) && width >= 0)
        set(_lineWidth, width);
}

VLWSLineCap VLWSShapeLayer::lineCap() const {
    return get(_lineCap);
}

void VLWSShapeLayer::setLineCap(VLWSLineCap cap) {
    set(_lineCap, cap);
}

VLWSLineJoin VLWSShapeLayer::lineJoin() const {
    return get(_lineJoin);
}

void VLWSShapeLayer::setLineJoin(VLWSLineJoin join) {
    set(_lineJoin, join);
}
