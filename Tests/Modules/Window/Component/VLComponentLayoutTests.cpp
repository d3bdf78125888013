#include "Modules/Window/Component/VLComponent.h"

#include "Modules/Window/Component/VLComponentEventDelegate.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLYGValuePrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

// The test thread is the main thread, so the screen updates of a pass run as soon as it ends.

namespace {

struct Fired {
    std::string name;
    VLDictionary params;
};

class Recorder final : public VLComponentEventDelegate {
public:
    void component(VLComponent&, const std::string& name, const VLDictionary& params) override {
        fired.push_back({name, params});
    }
    std::vector<Fired> fired;
};

// A component subclass that counts frameDidChange; `topLevel` makes it stand in for a window.
class Tracked final : public VLComponent {
public:
    static std::shared_ptr<Tracked> make(const VLDictionary& style, bool topLevel = false) {
        std::shared_ptr<Tracked> tracked(new Tracked(topLevel));
        tracked->initWithStyle(style, {}, {});
        return tracked;
    }
    bool isTopLevel() const override { return _topLevel; }
    std::vector<VLRect> changes;

private:
    explicit Tracked(bool topLevel) : _topLevel(topLevel) {}
    void frameDidChange(const VLRect& frame) override { changes.push_back(frame); }
    const bool _topLevel;
};

YGValue points(float value) {
    return {value, YGUnitPoint};
}

} // namespace

TEST(VLComponentLayout, AnEmptyStyleGivesTheDefaults) {
    const std::shared_ptr<VLComponent> component = VLComponent::create();
    const VLYGLayout& node = component->yoga();
    EXPECT_EQ(node.position(), YGPositionTypeRelative);
    EXPECT_EQ(node.display(), YGDisplayFlex);
    EXPECT_EQ(node.overflow(), YGOverflowHidden);
    EXPECT_EQ(node.direction(), YGDirectionLTR);
    EXPECT_EQ(node.flexDirection(), YGFlexDirectionRow);
    EXPECT_EQ(node.justifyContent(), YGJustifyFlexStart);
    EXPECT_EQ(node.alignContent(), YGAlignStretch);
    EXPECT_EQ(node.alignItems(), YGAlignStretch);
    EXPECT_EQ(node.alignSelf(), YGAlignAuto);
    EXPECT_EQ(node.flexWrap(), YGWrapNoWrap);
    EXPECT_EQ(node.boxSizing(), YGBoxSizingBorderBox);
    EXPECT_TRUE(std::isnan(node.flex()));
    EXPECT_TRUE(std::isnan(node.aspectRatio()));
    EXPECT_EQ(node.flexShrink(), 1.0);
    EXPECT_EQ(node.flexBasis(), YGValueAuto);
    EXPECT_EQ(node.width(), YGValueAuto);
    EXPECT_EQ(node.height(), YGValueAuto);
    EXPECT_EQ(node.left(), YGValueUndefined);
    EXPECT_EQ(node.gapForGutter(YGGutterAll), YGValueUndefined);
}

TEST(VLComponentLayout, StyleValuesTakeTheirFormOrTheKeysDefault) {
    using Read = YGValue (*)(const VLYGLayout&);
    const Read width = [](const VLYGLayout& node) { return node.width(); };
    const Read flexGrow = [](const VLYGLayout& node) { return YGValue{float(node.flexGrow()), YGUnitPoint}; };
    const Read flexDirection = [](const VLYGLayout& node) { return points(float(node.flexDirection())); };
    const Read alignSelf = [](const VLYGLayout& node) { return points(float(node.alignSelf())); };
    const struct {
        VLDictionary style;
        Read read;
        YGValue expected;
    } cases[] = {
        {{{"width", "50%"}}, width, {50, YGUnitPercent}},
        {{{"width", "10px"}}, width, points(10)},
        {{{"width", 12.5}}, width, points(12.5)},
        {{{"width", "wide"}}, width, YGValueAuto},
        {{{"width", "auto"}}, width, YGValueAuto},
        {{{"width", true}}, width, YGValueAuto},
        {{{"flexGrow", "2px"}}, flexGrow, points(2)},
        {{{"flexDirection", "column"}}, flexDirection, points(YGFlexDirectionColumn)},
        {{{"flexDirection", "Column"}}, flexDirection, points(YGFlexDirectionRow)},
        {{{"alignSelf", 3}}, alignSelf, points(YGAlignAuto)},
        {{{"alignSelf", "space-evenly"}}, alignSelf, points(YGAlignSpaceEvenly)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.style.begin()->first + " " + test.style.begin()->second.description());
        EXPECT_EQ(test.read(VLComponent::create(test.style)->yoga()), test.expected);
    }
}

// Yoga reads an unset grow as 0, so whether it is unset shows only in layout: an unset grow leaves
// the flex shorthand in charge.
TEST(VLComponentLayout, AGrowWithoutANumberLeavesTheGrowUnset) {
    const auto grownWidth = [](const VLValue& flexGrow) {
        auto root = VLComponent::create({{"width", 100}, {"height", 10}});
        auto child = VLComponent::create({{"flex", 1}, {"flexGrow", flexGrow}});
        root->addComponent(child, -1);
        root->setNeedsLayout();
        return child->frame().size.width;
    };
    EXPECT_EQ(grownWidth("2em"), 100);
    EXPECT_EQ(grownWidth(0), 0);
}

TEST(VLComponentLayout, AKeyThatLeavesTheStyleReturnsToItsDefault) {
    auto component = VLComponent::create({{"left", 10}, {"flexShrink", 0}, {"display", "none"}});
    EXPECT_EQ(component->yoga().left(), points(10));
    component->updateStyle({});
    EXPECT_EQ(component->yoga().left(), YGValueUndefined);
    EXPECT_EQ(component->yoga().flexShrink(), 1.0);
    EXPECT_EQ(component->yoga().display(), YGDisplayFlex);
}

TEST(VLComponentLayout, OnlyAPlainComponentKeepsDisplayContents) {
    const VLDictionary contents{{"display", "contents"}};
    EXPECT_EQ(VLComponent::create(contents)->yoga().display(), YGDisplayContents);
    EXPECT_EQ(Tracked::make(contents, true)->yoga().display(), YGDisplayFlex);
    EXPECT_EQ(Tracked::make(contents)->yoga().display(), YGDisplayNone);
}

TEST(VLComponentLayout, ARootIsSizedByItsContentWithGapsBetweenRows) {
    auto root = VLComponent::create({{"flexDirection", "column"}, {"gap", 8}});
    auto first = VLComponent::create({{"width", 30}, {"height", 10}});
    auto second = VLComponent::create({{"width", "20px"}, {"height", 10.3}});
    root->addComponent(first, -1);
    root->addComponent(second, -1);
    root->setNeedsLayout();
    EXPECT_EQ(root->frame(), VLRect(0, 0, 30, 28.5));
    EXPECT_EQ(second->frame(), VLRect(0, 18, 20, 10.5)); // 10.3 rounds to the half-point grid

    root->updateStyle({{"flexDirection", "column"}, {"gap", 8}, {"rowGap", 2}});
    EXPECT_TRUE(root->needsLayout());
    root->layoutIfNeeded();
    EXPECT_EQ(second->frame().origin.y, 12);
}

TEST(VLComponentLayout, ADirtyMemberOfADetachedSubtreeLaysOutItsRoot) {
    auto root = VLComponent::create({{"width", 200}, {"flexDirection", "column"}});
    auto child = VLComponent::create({{"width", "50%"}, {"height", 10}});
    root->addComponent(child, -1);
    child->layoutIfNeeded();
    EXPECT_EQ(child->frame(), VLRect(0, 0, 100, 10));
    EXPECT_FALSE(root->needsLayout());
    EXPECT_TRUE(VLComponent::create({{"direction", "rtl"}})->isDirectionRTL());
}

TEST(VLComponentLayout, OnlyANewRectangleFiresFrameChange) {
    auto root = Tracked::make({{"width", 100}, {"height", 50}});
    auto recorder = std::make_shared<Recorder>();
    root->setEventDelegate(recorder);

    root->setNeedsLayout();
    root->setNeedsLayout();
    ASSERT_EQ(root->changes.size(), 1u);
    ASSERT_EQ(recorder->fired.size(), 1u);
    EXPECT_EQ(recorder->fired[0].name, "framechange");
    EXPECT_EQ(recorder->fired[0].params,
              VLDictionary({{"x", 0.0}, {"y", 0.0}, {"width", 100.0}, {"height", 50.0}}));

    root->updateStyle({{"width", 100}, {"height", 50}, {"paddingLeft", 5}});
    root->setNeedsLayout();
    EXPECT_EQ(root->changes.size(), 2u);
    EXPECT_EQ(recorder->fired.size(), 1u);
    EXPECT_EQ(root->padding(), (VLEdgeInsets{0, 5, 0, 0}));
}

TEST(VLComponentLayout, AFrameThatIsNullInfiniteOrNaNIsIgnored) {
    auto component = Tracked::make({});
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (const VLRect& frame : {VLRectNull, VLRect(0, 0, NAN, 1), VLRect(inf, 0, 1, 1)}) {
        component->setFrame(frame);
        EXPECT_EQ(component->frame(), VLRect());
    }
    EXPECT_TRUE(component->changes.empty());
    component->setFrame({1, 2, 3, 4});
    EXPECT_EQ(component->changes, std::vector<VLRect>({{1, 2, 3, 4}}));
}
