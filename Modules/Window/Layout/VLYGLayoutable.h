#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"

#include <functional>
#include <memory>
#include <vector>

class VLYGLayout;

// An object that a VLYGLayout lays out: it owns its wrapper, names its children in order and takes the
// frames that layout gives it. Used on the thread that owns the object only.
class VLYGLayoutable {
public:
    // Takes the constrained width and height, where the largest double means unconstrained, and answers
    // the size the object wants.
    using MeasureBlock = std::function<VLSize(double width, double height)>;

    virtual ~VLYGLayoutable() = default;

    virtual VLYGLayout& yoga() const = 0;
    virtual std::vector<std::shared_ptr<VLYGLayoutable>> children() const = 0;
    virtual bool isRoot() const = 0;
    // In the parent's coordinates, y downwards, in points.
    virtual VLRect frame() const = 0;
    virtual void setFrame(const VLRect& frame) = 0;
    // Asked only of leaves; none measures as zero by zero.
    virtual MeasureBlock measureBlock() const = 0;
};
