#include "Modules/Window/Layout/VLYGLayout.h"

#include "Modules/Window/Layout/VLYGLayoutable.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace {

int silentLogger(YGConfigConstRef, YGNodeConstRef, YGLogLevel, const char*, va_list) {
    return 0;
}

// Made once, never changed, shared by every node of the process.
YGConfigRef sharedConfig() {
    static const YGConfigRef config = [] {
        YGConfigRef made = YGConfigNew();
        YGConfigSetLogger(made, silentLogger);
        YGConfigSetPointScaleFactor(made, 2.0f);
        YGConfigSetUseWebDefaults(made, true);
        return made;
    }();
    return config;
}

// A dimension handed to Yoga: NaN and what does not fit a float count as undefined.
float availableDimension(double value) {
    const float dimension = float(value);
    return std::isfinite(dimension) ? dimension : YGUndefined;
}

// A measured value as Yoga takes it: what is not finite, or stands for "unconstrained", is 0.
float measuredDimension(double value) {
    const float dimension = float(value);
    if (!std::isfinite(dimension) || std::fabs(value - DBL_MAX) <= DBL_EPSILON)
        return 0;
    return dimension;
}

float constrainedDimension(float given, YGMeasureMode mode, float measured) {
    switch (mode) {
    case YGMeasureModeExactly:
        return given;
    case YGMeasureModeAtMost:
        return std::min(given, measured);
    default:
        return measured;
    }
}

} // namespace

VLYGLayout::VLYGLayout(VLYGLayoutable* layoutable)
    : _layoutable(layoutable), _node(YGNodeNewWithConfig(sharedConfig())) {
    YGNodeSetContext(_node, this);
}

VLYGLayout::~VLYGLayout() {
    // Leaves the parent's node and frees the children's nodes of their owner.
    YGNodeFree(_node);
}

YGSize VLYGLayout::measure(YGNodeConstRef node, float width, YGMeasureMode widthMode, float height,
                           YGMeasureMode heightMode) {
    const double constrainedWidth = widthMode == YGMeasureModeUndefined ? DBL_MAX : width;
    const double constrainedHeight = heightMode == YGMeasureModeUndefined ? DBL_MAX : height;
    VLSize measured;
    const auto* layout = static_cast<const VLYGLayout*>(YGNodeGetContext(node));
    if (VLYGLayoutable* layoutable = layout ? layout->_layoutable : nullptr) {
        if (VLYGLayoutable::MeasureBlock block = layoutable->measureBlock())
            measured = block(constrainedWidth, constrainedHeight);
    }
    return {constrainedDimension(width, widthMode, measuredDimension(measured.width)),
            constrainedDimension(height, heightMode, measuredDimension(measured.height))};
}

std::vector<VLYGLayout*> VLYGLayout::countedChildren(const Children& children) {
    std::vector<VLYGLayout*> counted;
    counted.reserve(children.size());
    for (const std::shared_ptr<VLYGLayoutable>& child : children) {
        VLYGLayout& layout = child->yoga();
        if (layout.counts())
            counted.push_back(&layout);
    }
    return counted;
}

bool VLYGLayout::isLeafWithChildren(const Children& children) const {
    return !_enabled || std::none_of(children.begin(), children.end(),
                                     [](const auto& child) { return child->yoga().counts(); });
}

bool VLYGLayout::isLeaf() const {
    return !_layoutable || isLeafWithChildren(_layoutable->children());
}

// A node measures only without node children, so they go first.
void VLYGLayout::becomeLeaf() {
    YGNodeRemoveAllChildren(_node);
    if (!YGNodeHasMeasureFunc(_node))
        YGNodeSetMeasureFunc(_node, measure);
}

void VLYGLayout::markDirty() {
    if (YGNodeIsDirty(_node) || !isLeaf())
        return;
    becomeLeaf();
    YGNodeMarkDirty(_node);
}

void VLYGLayout::takeOffOwner(YGNodeRef node) {
    if (YGNodeRef owner = YGNodeGetOwner(node))
        YGNodeRemoveChild(owner, node);
}

void VLYGLayout::insertChild(VLYGLayout& child, size_t index) {
    takeOffOwner(child._node);
    YGNodeSetMeasureFunc(_node, nullptr);
    YGNodeInsertChild(_node, child._node, std::min(index, YGNodeGetChildCount(_node)));
}

void VLYGLayout::removeChild(VLYGLayout& child) {
    YGNodeRemoveChild(_node, child._node);
}

void VLYGLayout::attachNodes() {
    const std::vector<VLYGLayout*> counted =
        _enabled && _layoutable ? countedChildren(_layoutable->children()) : std::vector<VLYGLayout*>();
    if (counted.empty()) {
        becomeLeaf();
        return;
    }
    YGNodeSetMeasureFunc(_node, nullptr);
    bool inStep = YGNodeGetChildCount(_node) == counted.size();
    for (size_t i = 0; inStep && i < counted.size(); ++i)
        inStep = YGNodeGetChild(_node, i) == counted[i]->_node;
    if (!inStep) {
        YGNodeRemoveAllChildren(_node);
        for (size_t i = 0; i < counted.size(); ++i) {
            takeOffOwner(counted[i]->_node);
            YGNodeInsertChild(_node, counted[i]->_node, i);
        }
    }
    for (VLYGLayout* child : counted)
        child->attachNodes();
}

VLSize VLYGLayout::calculateLayoutWithSize(VLSize size) {
    attachNodes();
    YGNodeCalculateLayout(_node, availableDimension(size.width), availableDimension(size.height),
                          YGNodeStyleGetDirection(_node));
    return {YGNodeLayoutGetWidth(_node), YGNodeLayoutGetHeight(_node)};
}

VLSize VLYGLayout::intrinsicSize() {
    constexpr double undefined = std::numeric_limits<double>::quiet_NaN();
    return calculateLayoutWithSize({undefined, undefined});
}

void VLYGLayout::applyLayoutPreservingOrigin(bool preserveOrigin, uint32_t dimensionFlexibility) {
    VLSize size = _layoutable ? _layoutable->frame().size : VLSize();
    if (dimensionFlexibility & VLYGDimensionFlexibilityFlexibleWidth)
        size.width = std::numeric_limits<double>::quiet_NaN();
    if (dimensionFlexibility & VLYGDimensionFlexibilityFlexibleHeight)
        size.height = std::numeric_limits<double>::quiet_NaN();
    calculateLayoutWithSize(size);
    applyFrames(preserveOrigin);
}

void VLYGLayout::applyFrames(bool preserveOrigin) {
    if (!_includedInLayout || !_layoutable)
        return;
    const double left = YGRoundPixelValue(YGNodeLayoutGetLeft(_node));
    const double top = YGRoundPixelValue(YGNodeLayoutGetTop(_node));
    const double width = YGRoundPixelValue(YGNodeLayoutGetWidth(_node));
    const double height = YGRoundPixelValue(YGNodeLayoutGetHeight(_node));
    const VLPoint origin = preserveOrigin ? _layoutable->frame().origin : VLPoint();
    _layoutable->setFrame({origin.x + left, origin.y + top, (left + width) - left, (top + height) - top});

    const Children children = _layoutable->children();
    if (isLeafWithChildren(children))
        return;
    for (const std::shared_ptr<VLYGLayoutable>& child : children)
        child->yoga().applyFrames(false);
}

double YGRoundPixelValue(double value) {
    static const double scale = YGConfigGetPointScaleFactor(sharedConfig());
    const float scaled = float(value * scale);
    if (!std::isfinite(scaled))
        return 0;
    return double(std::round(scaled)) / scale;
}
