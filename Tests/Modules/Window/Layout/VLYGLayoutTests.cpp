#include "Modules/Window/Layout/VLYGLayout.h"
#include "Modules/Window/Layout/VLYGLayoutable.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLYGValuePrinter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A layoutable whose children are kept in a plain list, with its node kept in step as a tree does.
class Box final : public VLYGLayoutable {
public:
    Box() : _layout(std::make_unique<VLYGLayout>(this)) { _layout->setEnabled(true); }

    static std::shared_ptr<Box> make(double width = kNaN, double height = kNaN) {
        auto box = std::make_shared<Box>();
        if (!std::isnan(width))
            box->yoga().setWidth({float(width), YGUnitPoint});
        if (!std::isnan(height))
            box->yoga().setHeight({float(height), YGUnitPoint});
        return box;
    }

    VLYGLayout& yoga() const override { return *_layout; }
    std::vector<std::shared_ptr<VLYGLayoutable>> children() const override {
        return {kids.begin(), kids.end()};
    }
    bool isRoot() const override { return true; }
    VLRect frame() const override { return rect; }
    void setFrame(const VLRect& frame) override { rect = frame; }
    MeasureBlock measureBlock() const override { return measure; }

    void append(const std::shared_ptr<Box>& child) {
        kids.push_back(child);
        _layout->insertChild(child->yoga(), kids.size() - 1);
    }

    std::vector<std::shared_ptr<Box>> kids;
    VLRect rect;
    MeasureBlock measure;

private:
    std::unique_ptr<VLYGLayout> _layout;
};

TEST(VLYGLayout, RoundsToHalfPoints) {
    const std::pair<double, double> cases[] = {
        {10.25, 10.5}, {10.24, 10}, {-0.25, -0.5},  {7.3, 7.5},      {0.75, 1},
        {DBL_MAX, 0},  {kNaN, 0},   {kInfinity, 0}, {-kInfinity, 0}, {1e300, 0},
    };
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(YGRoundPixelValue(value), rounded) << value;
}

TEST(VLYGLayout, MeasuresLeavesByMode) {
    struct Case {
        const char* what;
        double styleWidth;    // NaN: auto
        double maxWidth;      // NaN: none
        double measuredWidth; // what the block answers
        double constrained;   // what the block is asked with
        double expectedWidth;
    };
    const Case cases[] = {
        {"undefined takes the measure", kNaN, kNaN, 150, DBL_MAX, 150},
        {"at most takes the smaller", kNaN, 100, 150, 100, 100},
        {"at most keeps a smaller measure", kNaN, 100, 60, 100, 60},
        {"exactly takes the given width", 80, kNaN, 150, 80, 80},
        {"an infinite measure is 0", kNaN, kNaN, kInfinity, DBL_MAX, 0},
        {"a NaN measure is 0", kNaN, kNaN, kNaN, DBL_MAX, 0},
        {"the unconstrained value itself is 0", kNaN, kNaN, DBL_MAX, DBL_MAX, 0},
    };
    for (const Case& c : cases) {
        auto leaf = Box::make(c.styleWidth);
        if (!std::isnan(c.maxWidth))
            leaf->yoga().setMaxWidth({float(c.maxWidth), YGUnitPoint});
        double askedWidth = -1;
        leaf->measure = [&](double width, double) {
            askedWidth = width;
            return VLSize{c.measuredWidth, 20};
        };
        const VLSize size = leaf->yoga().intrinsicSize();
        EXPECT_EQ(size.width, c.expectedWidth) << c.what;
        EXPECT_EQ(size.height, 20) << c.what;
        EXPECT_EQ(askedWidth, c.constrained) << c.what;
    }

    auto silent = Box::make();
    EXPECT_EQ(silent->yoga().intrinsicSize(), (VLSize{0, 0})) << "no measure block measures as nothing";
}

TEST(VLYGLayout, SettersKeepTheirUnitRules) {
    VLYGLayout layout(nullptr);
    const YGValue points{10, YGUnitPoint}, percent{50, YGUnitPercent};
    const YGValue automatic = YGValueAuto, undefined = YGValueUndefined;

    // Sizes: an undefined value changes nothing.
    layout.setWidth(points);
    layout.setWidth(undefined);
    EXPECT_EQ(layout.width(), points);
    layout.setWidth(percent);
    EXPECT_EQ(layout.width(), percent);
    layout.setWidth(automatic);
    EXPECT_EQ(layout.width(), automatic);
    layout.setFlexBasis(percent);
    EXPECT_EQ(layout.flexBasis(), percent);

    // Offsets, margins, paddings, limits and gaps: undefined resets, auto changes nothing.
    struct Property {
        const char* name;
        void (VLYGLayout::*set)(YGValue);
        YGValue (VLYGLayout::*get)() const;
    };
    const Property properties[] = {
        {"left", &VLYGLayout::setLeft, &VLYGLayout::left},
        {"end", &VLYGLayout::setEnd, &VLYGLayout::end},
        {"marginTop", &VLYGLayout::setMarginTop, &VLYGLayout::marginTop},
        {"paddingStart", &VLYGLayout::setPaddingStart, &VLYGLayout::paddingStart},
        {"minWidth", &VLYGLayout::setMinWidth, &VLYGLayout::minWidth},
        {"maxHeight", &VLYGLayout::setMaxHeight, &VLYGLayout::maxHeight},
    };
    for (const Property& p : properties) {
        (layout.*p.set)(points);
        (layout.*p.set)(automatic);
        EXPECT_EQ((layout.*p.get)(), points) << p.name;
        (layout.*p.set)(percent);
        EXPECT_EQ((layout.*p.get)(), percent) << p.name;
        (layout.*p.set)(undefined);
        EXPECT_EQ((layout.*p.get)(), undefined) << p.name;
    }
    layout.setGapForGutter(points, YGGutterRow);
    layout.setGapForGutter(automatic, YGGutterRow);
    EXPECT_EQ(layout.gapForGutter(YGGutterRow), points);
    layout.setGapForGutter(undefined, YGGutterRow);
    EXPECT_EQ(layout.gapForGutter(YGGutterRow), undefined);

    layout.setFlexGrow(2);
    layout.setFlexGrow(kNaN);
    EXPECT_EQ(layout.flexGrow(), 0) << "undefined reads as Yoga's default";
    layout.setBorderWidth(2);
    EXPECT_TRUE(std::isnan(layout.borderLeftWidth())) << "only the shorthand edge is stored";
    EXPECT_EQ(layout.borderWidth(), 2);
}

TEST(VLYGLayout, OnlyEnabledIncludedChildrenAreAttached) {
    auto parent = Box::make(100, 40);
    auto shown = Box::make(30, 10);
    auto disabled = Box::make(30, 10);
    disabled->yoga().setEnabled(false);
    parent->append(shown);
    parent->append(disabled);
    parent->measure = [](double, double) { return VLSize{70, 5}; };

    parent->yoga().calculateLayoutWithSize({kNaN, kNaN});
    EXPECT_FALSE(parent->yoga().isLeaf());
    EXPECT_EQ(parent->yoga().numberOfChildren(), 1u);

    // Excluding the only child that counts turns the parent into a leaf that is measured.
    shown->yoga().setIncludedInLayout(false);
    EXPECT_TRUE(parent->yoga().isLeaf());
    parent->yoga().setWidth(YGValueAuto);
    parent->yoga().setHeight(YGValueAuto);
    EXPECT_EQ(parent->yoga().calculateLayoutWithSize({kNaN, kNaN}), (VLSize{70, 5}));
    EXPECT_EQ(parent->yoga().numberOfChildren(), 0u);

    shown->yoga().setIncludedInLayout(true);
    parent->yoga().calculateLayoutWithSize({kNaN, kNaN});
    EXPECT_EQ(parent->yoga().numberOfChildren(), 1u);
    EXPECT_FALSE(YGNodeHasMeasureFunc(parent->yoga().node()));
}

TEST(VLYGLayout, NoYogaAssertionOnMisuse) {
    auto first = Box::make();
    auto second = Box::make();
    auto child = Box::make();
    first->measure = [](double, double) { return VLSize{1, 1}; };
    EXPECT_NO_THROW({
        first->yoga().calculateLayoutWithSize({kNaN, kNaN}); // a measured leaf
        first->yoga().insertChild(child->yoga(), 99);        // past the end, into a measuring node
        second->yoga().insertChild(child->yoga(), 0);        // re-parented without removal
        second->yoga().removeChild(first->yoga());           // not its child
    });
    EXPECT_EQ(first->yoga().numberOfChildren(), 0u);
    EXPECT_EQ(second->yoga().numberOfChildren(), 1u);
    EXPECT_EQ(YGNodeGetOwner(child->yoga().node()), second->yoga().node());

    // A wrapper that counts as a leaf while its node still holds a child measures without a fault.
    auto parent = Box::make();
    auto excluded = Box::make();
    parent->append(excluded);
    parent->yoga().calculateLayoutWithSize({kNaN, kNaN});
    excluded->yoga().setIncludedInLayout(false);
    EXPECT_NO_THROW(parent->yoga().markDirty());
    EXPECT_TRUE(parent->yoga().isDirty());
    EXPECT_EQ(parent->yoga().numberOfChildren(), 0u);

    // A freed parent lets its children go.
    auto orphan = Box::make();
    {
        auto gone = Box::make();
        gone->yoga().insertChild(orphan->yoga(), 0);
    }
    EXPECT_EQ(YGNodeGetOwner(orphan->yoga().node()), nullptr);
}

TEST(VLYGLayout, AppliesRoundedFramesDownTheTree) {
    auto root = Box::make(101, 50);
    auto left = Box::make();
    auto right = Box::make();
    auto skipped = Box::make(10, 10);
    left->yoga().setFlexGrow(1);
    right->yoga().setFlexGrow(1);
    root->append(left);
    root->append(right);
    right->append(skipped);
    skipped->yoga().setIncludedInLayout(false);
    skipped->rect = {1, 2, 3, 4};
    root->rect = {5, 7, 0, 0};

    root->yoga().applyLayoutPreservingOrigin(true, VLYGDimensionFlexibilityFlexibleWidth |
                                                       VLYGDimensionFlexibilityFlexibleHeight);
    EXPECT_EQ(root->rect, (VLRect{5, 7, 101, 50}));
    EXPECT_EQ(left->rect, (VLRect{0, 0, 50.5, 50}));
    EXPECT_EQ(right->rect, (VLRect{50.5, 0, 50.5, 50}));
    EXPECT_EQ(skipped->rect, (VLRect{1, 2, 3, 4})) << "not included: no frame";

    // Without flexibility the layoutable's frame size is the available size, and the origin is the node's.
    root->yoga().setWidth(YGValueAuto);
    root->yoga().setMarginLeft({4, YGUnitPoint});
    root->rect = {5, 7, 60, 20};
    root->yoga().applyLayout();
    EXPECT_EQ(root->rect, (VLRect{4, 0, 56, 50}));
    EXPECT_EQ(right->rect, (VLRect{28, 0, 28, 50}));
}

TEST(VLYGLayout, MarkDirtyOnlyTouchesCleanLeaves) {
    auto root = Box::make();
    auto leaf = Box::make();
    leaf->measure = [](double, double) { return VLSize{5, 5}; };
    root->append(leaf);
    root->yoga().calculateLayoutWithSize({kNaN, kNaN});
    ASSERT_FALSE(root->yoga().isDirty());

    root->yoga().markDirty();
    EXPECT_FALSE(root->yoga().isDirty()) << "not a leaf";
    leaf->yoga().markDirty();
    EXPECT_TRUE(leaf->yoga().isDirty());
    EXPECT_TRUE(root->yoga().isDirty()) << "dirtiness climbs to the root";
}

} // namespace
