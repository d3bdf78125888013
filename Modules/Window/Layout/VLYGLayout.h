#pragma once

#include "Platform/Foundation/VLSize.h"

#include <yoga/Yoga.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class VLYGLayoutable;

// Which available dimensions a layout leaves open, so that the root is sized by its own style.
enum VLYGDimensionFlexibility : uint32_t {
    VLYGDimensionFlexibilityNone = 0,
    VLYGDimensionFlexibilityFlexibleWidth = 1 << 0,
    VLYGDimensionFlexibilityFlexibleHeight = 1 << 1,
};

// One Yoga node behind one layoutable, with every flexbox style as a property. Before each calculation
// the node tree is brought in line with the layoutables' children; leaves are measured through their
// measure blocks; results go back to the layoutables as frames rounded to the pixel grid. All nodes
// share one configuration: no log output, two pixels to the point, web defaults.
//
// Owned by its layoutable and used only on the thread that owns it; nothing is locked. The calls keep
// Yoga's own rules, so none of its assertions can fire.
class VLYGLayout {
public:
    explicit VLYGLayout(VLYGLayoutable* layoutable);
    ~VLYGLayout();
    VLYGLayout(const VLYGLayout&) = delete;
    VLYGLayout& operator=(const VLYGLayout&) = delete;

    // Null once the layoutable has let the wrapper go.
    VLYGLayoutable* layoutable() const { return _layoutable; }
    // For a layoutable that is going away while its node lives a little longer.
    void forgetLayoutable() { _layoutable = nullptr; }
    YGNodeRef node() const { return _node; }

    // A node that is not included is neither attached to its parent's node nor given a frame.
    bool isIncludedInLayout() const { return _includedInLayout; }
    void setIncludedInLayout(bool included) { _includedInLayout = included; }
    // Only enabled nodes count as children.
    bool isEnabled() const { return _enabled; }
    void setEnabled(bool enabled) { _enabled = enabled; }

    // Enumerations, stored as they come.
    YGPositionType position() const { return YGNodeStyleGetPositionType(_node); }
    void setPosition(YGPositionType value) { YGNodeStyleSetPositionType(_node, value); }
    YGDirection direction() const { return YGNodeStyleGetDirection(_node); }
    void setDirection(YGDirection value) { YGNodeStyleSetDirection(_node, value); }
    YGFlexDirection flexDirection() const { return YGNodeStyleGetFlexDirection(_node); }
    void setFlexDirection(YGFlexDirection value) { YGNodeStyleSetFlexDirection(_node, value); }
    YGJustify justifyContent() const { return YGNodeStyleGetJustifyContent(_node); }
    void setJustifyContent(YGJustify value) { YGNodeStyleSetJustifyContent(_node, value); }
    YGAlign alignContent() const { return YGNodeStyleGetAlignContent(_node); }
    void setAlignContent(YGAlign value) { YGNodeStyleSetAlignContent(_node, value); }
    YGAlign alignItems() const { return YGNodeStyleGetAlignItems(_node); }
    void setAlignItems(YGAlign value) { YGNodeStyleSetAlignItems(_node, value); }
    YGAlign alignSelf() const { return YGNodeStyleGetAlignSelf(_node); }
    void setAlignSelf(YGAlign value) { YGNodeStyleSetAlignSelf(_node, value); }
    YGWrap flexWrap() const { return YGNodeStyleGetFlexWrap(_node); }
    void setFlexWrap(YGWrap value) { YGNodeStyleSetFlexWrap(_node, value); }
    YGOverflow overflow() const { return YGNodeStyleGetOverflow(_node); }
    void setOverflow(YGOverflow value) { YGNodeStyleSetOverflow(_node, value); }
    YGDisplay display() const { return YGNodeStyleGetDisplay(_node); }
    void setDisplay(YGDisplay value) { YGNodeStyleSetDisplay(_node, value); }
    YGBoxSizing boxSizing() const { return YGNodeStyleGetBoxSizing(_node); }
    void setBoxSizing(YGBoxSizing value) { YGNodeStyleSetBoxSizing(_node, value); }

    // Numbers, stored as floats; NaN is undefined.
    double flex() const { return YGNodeStyleGetFlex(_node); }
    void setFlex(double value) { YGNodeStyleSetFlex(_node, float(value)); }
    double flexGrow() const { return YGNodeStyleGetFlexGrow(_node); }
    void setFlexGrow(double value) { YGNodeStyleSetFlexGrow(_node, float(value)); }
    double flexShrink() const { return YGNodeStyleGetFlexShrink(_node); }
    void setFlexShrink(double value) { YGNodeStyleSetFlexShrink(_node, float(value)); }
    double aspectRatio() const { return YGNodeStyleGetAspectRatio(_node); }
    void setAspectRatio(double value) { YGNodeStyleSetAspectRatio(_node, float(value)); }

    // Border widths, by edge.
    double borderLeftWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeLeft); }
    void setBorderLeftWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeLeft, float(value)); }
    double borderTopWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeTop); }
    void setBorderTopWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeTop, float(value)); }
    double borderRightWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeRight); }
    void setBorderRightWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeRight, float(value)); }
    double borderBottomWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeBottom); }
    void setBorderBottomWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeBottom, float(value)); }
    double borderStartWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeStart); }
    void setBorderStartWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeStart, float(value)); }
    double borderEndWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeEnd); }
    void setBorderEndWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeEnd, float(value)); }
    double borderWidth() const { return YGNodeStyleGetBorder(_node, YGEdgeAll); }
    void setBorderWidth(double value) { YGNodeStyleSetBorder(_node, YGEdgeAll, float(value)); }

    // Sizes: auto, percent and points are set; an undefined value changes nothing.
    YGValue flexBasis() const { return YGNodeStyleGetFlexBasis(_node); }
    void setFlexBasis(YGValue value) {
        setSize<YGNodeStyleSetFlexBasis, YGNodeStyleSetFlexBasisPercent, YGNodeStyleSetFlexBasisAuto>(value);
    }
    YGValue width() const { return YGNodeStyleGetWidth(_node); }
    void setWidth(YGValue value) {
        setSize<YGNodeStyleSetWidth, YGNodeStyleSetWidthPercent, YGNodeStyleSetWidthAuto>(value);
    }
    YGValue height() const { return YGNodeStyleGetHeight(_node); }
    void setHeight(YGValue value) {
        setSize<YGNodeStyleSetHeight, YGNodeStyleSetHeightPercent, YGNodeStyleSetHeightAuto>(value);
    }

    // Offsets, margins and paddings by edge, and the limits: points (an undefined value resets the
    // property) and percent are set; auto changes nothing.
#define VL_YG_EDGE_PROPERTY(name, Name, Kind, edge)                                                          \
    YGValue name() const {                                                                                   \
        return YGNodeStyleGet##Kind(_node, edge);                                                            \
    }                                                                                                        \
    void set##Name(YGValue value) {                                                                          \
        setLength<YGNodeStyleSet##Kind, YGNodeStyleSet##Kind##Percent>(value, edge);                         \
    }
    VL_YG_EDGE_PROPERTY(left, Left, Position, YGEdgeLeft)
    VL_YG_EDGE_PROPERTY(top, Top, Position, YGEdgeTop)
    VL_YG_EDGE_PROPERTY(right, Right, Position, YGEdgeRight)
    VL_YG_EDGE_PROPERTY(bottom, Bottom, Position, YGEdgeBottom)
    VL_YG_EDGE_PROPERTY(start, Start, Position, YGEdgeStart)
    VL_YG_EDGE_PROPERTY(end, End, Position, YGEdgeEnd)
    VL_YG_EDGE_PROPERTY(marginLeft, MarginLeft, Margin, YGEdgeLeft)
    VL_YG_EDGE_PROPERTY(marginTop, MarginTop, Margin, YGEdgeTop)
    VL_YG_EDGE_PROPERTY(marginRight, MarginRight, Margin, YGEdgeRight)
    VL_YG_EDGE_PROPERTY(marginBottom, MarginBottom, Margin, YGEdgeBottom)
    VL_YG_EDGE_PROPERTY(marginStart, MarginStart, Margin, YGEdgeStart)
    VL_YG_EDGE_PROPERTY(marginEnd, MarginEnd, Margin, YGEdgeEnd)
    VL_YG_EDGE_PROPERTY(marginHorizontal, MarginHorizontal, Margin, YGEdgeHorizontal)
    VL_YG_EDGE_PROPERTY(marginVertical, MarginVertical, Margin, YGEdgeVertical)
    VL_YG_EDGE_PROPERTY(margin, Margin, Margin, YGEdgeAll)
    VL_YG_EDGE_PROPERTY(paddingLeft, PaddingLeft, Padding, YGEdgeLeft)
    VL_YG_EDGE_PROPERTY(paddingTop, PaddingTop, Padding, YGEdgeTop)
    VL_YG_EDGE_PROPERTY(paddingRight, PaddingRight, Padding, YGEdgeRight)
    VL_YG_EDGE_PROPERTY(paddingBottom, PaddingBottom, Padding, YGEdgeBottom)
    VL_YG_EDGE_PROPERTY(paddingStart, PaddingStart, Padding, YGEdgeStart)
    VL_YG_EDGE_PROPERTY(paddingEnd, PaddingEnd, Padding, YGEdgeEnd)
    VL_YG_EDGE_PROPERTY(paddingHorizontal, PaddingHorizontal, Padding, YGEdgeHorizontal)
    VL_YG_EDGE_PROPERTY(paddingVertical, PaddingVertical, Padding, YGEdgeVertical)
    VL_YG_EDGE_PROPERTY(padding, Padding, Padding, YGEdgeAll)
#undef VL_YG_EDGE_PROPERTY

#define VL_YG_LIMIT_PROPERTY(name, Name)                                                                     \
    YGValue name() const {                                                                                   \
        return YGNodeStyleGet##Name(_node);                                                                  \
    }                                                                                                        \
    void set##Name(YGValue value) {                                                                          \
        setLength<YGNodeStyleSet##Name, YGNodeStyleSet##Name##Percent>(value);                               \
    }
    VL_YG_LIMIT_PROPERTY(minWidth, MinWidth)
    VL_YG_LIMIT_PROPERTY(minHeight, MinHeight)
    VL_YG_LIMIT_PROPERTY(maxWidth, MaxWidth)
    VL_YG_LIMIT_PROPERTY(maxHeight, MaxHeight)
#undef VL_YG_LIMIT_PROPERTY

    // The gap between columns, rows or both, by the offsets' rule.
    YGValue gapForGutter(YGGutter gutter) const {
        return YGNodeStyleGetGap(_node, gutter);
    }
    void setGapForGutter(YGValue value, YGGutter gutter) {
        setLength<YGNodeStyleSetGap, YGNodeStyleSetGapPercent>(value, gutter);
    }

    // The direction of the last computed layout.
    YGDirection resolvedDirection() const {
        return YGNodeLayoutGetDirection(_node);
    }
    size_t numberOfChildren() const {
        return YGNodeGetChildCount(_node);
    }
    bool isDirty() const {
        return YGNodeIsDirty(_node);
    }
    // Disabled, or no child of the layoutable is enabled and included.
    bool isLeaf() const;

    // For a leaf whose measured size may have changed: it is measured again at the next layout.
    void markDirty();

    // Attaches the nodes, then lays the node out within the size (NaN or an infinity: undefined, so
    // sized by content) in its own style direction. Answers the computed size.
    VLSize calculateLayoutWithSize(VLSize size);
    // calculateLayoutWithSize with both dimensions undefined.
    VLSize intrinsicSize();
    // Lays out within the layoutable's current frame size and gives every included layoutable of the
    // tree its rounded frame; the origin of this one stays where it is when preserveOrigin is set.
    void applyLayout() {
        applyLayoutPreservingOrigin(false);
    }
    void applyLayoutPreservingOrigin(bool preserveOrigin) {
        applyLayoutPreservingOrigin(preserveOrigin, VLYGDimensionFlexibilityNone);
    }
    void applyLayoutPreservingOrigin(bool preserveOrigin, uint32_t dimensionFlexibility);

    // Keeping the node tree in step with the layoutables' trees: the child's node leaves any node that
    // held it and enters this one at the index (clamped to the child count); this node stops measuring.
    void insertChild(VLYGLayout& child, size_t index);
    void removeChild(VLYGLayout& child);

private:
    VLYGLayoutable* _layoutable;
    bool _includedInLayout = true;
    bool _enabled = false;
    const YGNodeRef _node;

    using SetPoints = void (*)(YGNodeRef, float);
    using SetAuto = void (*)(YGNodeRef);
    template <SetPoints points, SetPoints percent, SetAuto automatic>
    void setSize(YGValue value);
    // Undefined resets, points and percent are set, anything else changes nothing. `where` is the edge or
    // gutter, for the properties that have one.
    template <auto points, auto percent, typename... Where>
    void setLength(YGValue value, Where... where);

    static YGSize measure(YGNodeConstRef node, float width, YGMeasureMode widthMode, float height,
                          YGMeasureMode heightMode);
    using Children = std::vector<std::shared_ptr<VLYGLayoutable>>;
    // Whether the node counts as a child of its parent's node.
    bool counts() const {
        return _enabled && _includedInLayout;
    }
    // The children's wrappers that count, in order.
    static std::vector<VLYGLayout*> countedChildren(const Children& children);
    bool isLeafWithChildren(const Children& children) const;
    void becomeLeaf();
    void attachNodes();
    void applyFrames(bool preserveOrigin);
    static void takeOffOwner(YGNodeRef node);
};

// The value rounded to the pixel grid of the shared configuration (half points): 10.25 gives 10.5,
// 10.24 gives 10, −0.25 gives −0.5. NaN, the infinities and values too large for the grid give 0.
double YGRoundPixelValue(double value);

template <VLYGLayout::SetPoints points, VLYGLayout::SetPoints percent, VLYGLayout::SetAuto automatic>
void VLYGLayout::setSize(YGValue value) {
    switch (value.unit) {
    case YGUnitAuto:
        automatic(_node);
        break;
    case YGUnitPercent:
        percent(_node, value.value);
        break;
    case YGUnitPoint:
        points(_node, value.value);
        break;
    default:
        break;
    }
}

template <auto points, auto percent, typename... Where>
void VLYGLayout::setLength(YGValue value, Where... where) {
    if (value.unit == YGUnitUndefined)
        points(_node, where..., YGUndefined);
    else if (value.unit == YGUnitPoint)
        points(_node, where..., value.value);
    else if (value.unit == YGUnitPercent)
        percent(_node, where..., value.value);
}
