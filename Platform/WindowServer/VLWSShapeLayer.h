#pragma once

#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSPath.h"

enum class VLWSLineCap : uint8_t { Butt, Round, Square };
enum class VLWSLineJoin : uint8_t { Miter, Round, Bevel };

// A layer that holds an outline to fill and stroke. The compositor draws its layer properties only; the
// shape itself is kept for reading back.
//
// Any thread, under the layer tree's lock as every layer.
class VLWSShapeLayer : public VLWSLayer {
public:
    VLWSPath path() const;
    void setPath(VLWSPath path);
    // Opaque black at first.
    VLColor fillColor() const;
    void setFillColor(VLColor color);
    // Clear at first: no stroke.
    VLColor strokeColor() const;
    void setStrokeColor(VLColor color);
    // 1 at first; negative or non-finite widths are refused.
    double lineWidth() const;
    void setLineWidth(double width);
    VLWSLineCap lineCap() const;
    void setLineCap(VLWSLineCap cap);
    VLWSLineJoin lineJoin() const;
    void setLineJoin(VLWSLineJoin join);

private:
    template <class T>
    T get(const T& member) const {
        Lock lock = lockTree();
        return member;
    }
    template <class T>
    void set(T& member, T value);

    VLWSPath _path;
    VLColor _fillColor = VLColor::blackColor();
    VLColor _strokeColor;
    double _lineWidth = 1;
    VLWSLineCap _lineCap = VLWSLineCap::Butt;
    VLWSLineJoin _lineJoin = VLWSLineJoin::Miter;
};
