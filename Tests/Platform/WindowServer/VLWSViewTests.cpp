#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using VLWSViewTest = VLWindowServerTest;

class FlippedView : public VLWSView {
public:
    using VLWSView::VLWSView;
    bool isFlipped() const override { return true; }
};

// Counts the calls of its tracking-area hook.
class TrackingView : public VLWSView {
public:
    using VLWSView::VLWSView;
    void updateTrackingAreas() override { ++updates; }
    int updates = 0;
};

template <class View = VLWSView>
std::shared_ptr<View> addView(const std::shared_ptr<VLWSView>& superview, VLRect frame) {
    auto view = std::make_shared<View>(frame);
    superview->addSubview(view);
    return view;
}

} // namespace

TEST_F(VLWSViewTest, SubviewsFollowTheirWindowAndNeverFormACycle) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    auto parent = std::make_shared<VLWSView>(VLRect(0, 0, 50, 50));
    auto child = std::make_shared<VLWSView>(VLRect(5, 5, 10, 10));
    parent->addSubview(child);
    window->contentView()->addSubview(parent);
    EXPECT_EQ(window.get(), child->window());

    child->addSubview(parent);
    child->addSubview(child);
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(parent.get(), child->superview());

    // A new content view takes the window from the old one's subtree.
    auto replacement = std::make_shared<VLWSView>();
    window->setContentView(replacement);
    EXPECT_EQ(nullptr, child->window());
    EXPECT_EQ(VLRect(0, 0, 100, 100), replacement->frame());

    replacement->addSubview(child);
    EXPECT_EQ(window.get(), child->window());
    EXPECT_TRUE(parent->subviews().empty());
    child->setFrame({NAN, 0, 1, 1});
    EXPECT_EQ(VLRect(5, 5, 10, 10), child->frame());
    window.reset();
    EXPECT_EQ(nullptr, child->window());
}

TEST_F(VLWSViewTest, PointsAndRectanglesConvertThroughFlipsScalesWindowAndScreen) {
    auto window = std::make_shared<VLWSWindow>(VLRect(100, 200, 400, 300), VLWSWindowStyleMaskBorderless);
    const auto& content = window->contentView();
    auto plain = addView(content, {10, 20, 100, 50});
    auto flipped = addView<FlippedView>(content, {50, 100, 200, 100});
    auto inFlipped = addView(flipped, {10, 10, 40, 20});
    auto scaled = addView(content, {200, 0, 100, 100});
    scaled->setBounds({10, 10, 50, 50});
    EXPECT_EQ(VLRect(10, 10, 50, 50), scaled->bounds());

    struct Case {
        const char* name;
        VLWSView* view;
        VLPoint point;
        VLPoint inWindow;
    } cases[] = {
        {"unflipped", plain.get(), {0, 0}, {10, 20}},
        {"flipped origin is its top-left", flipped.get(), {0, 0}, {50, 200}},
        {"flipped y runs down", flipped.get(), {10, 30}, {60, 170}},
        {"unflipped inside flipped", inFlipped.get(), {0, 0}, {60, 170}},
        {"top edge of unflipped inside flipped", inFlipped.get(), {5, 20}, {65, 190}},
        {"bounds origin", scaled.get(), {10, 10}, {200, 0}},
        {"bounds scale", scaled.get(), {35, 20}, {250, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.inWindow, c.view->convertPointToView(c.point, nullptr));
        EXPECT_EQ(c.point, c.view->convertPointFromView(c.inWindow, nullptr));
        EXPECT_EQ(VLPoint(c.inWindow.x + 100, c.inWindow.y + 200), window->convertPointToScreen(c.inWindow));
    }

    EXPECT_EQ(VLPoint(50, 150), inFlipped->convertPointToView({0, 0}, plain.get()));
    EXPECT_EQ(VLPoint(0, 0), plain->convertPointToView({50, 150}, inFlipped.get()));
    EXPECT_EQ(VLRect(50, 190, 10, 10), flipped->convertRectToView({0, 0, 10, 10}, nullptr));
    EXPECT_EQ(VLRect(200, 0, 10, 10), scaled->convertRectToView({10, 10, 5, 5}, nullptr));
    EXPECT_EQ(VLRect(10, 10, 5, 5), scaled->convertRectFromView({200, 0, 10, 10}, nullptr));

    // Another window's view converts through the screen.
    auto other = std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskBorderless);
    EXPECT_EQ(VLPoint(110, 220), plain->convertPointToView({0, 0}, other->contentView().get()));
}

TEST_F(VLWSViewTest, HitTestingSkipsHiddenViewsAndPrefersTheTopmost) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 200, 200), VLWSWindowStyleMaskBorderless);
    const auto& content = window->contentView();
    auto below = addView(content, {0, 0, 100, 100});
    auto above = addView(content, {50, 50, 100, 100});
    auto inner = addView<FlippedView>(above, {0, 0, 20, 20});
    auto nested = addView(inner, {0, 0, 5, 5}); // the top-left corner of `inner`, which is flipped

    VLWSView* frameView = window->frameView().get();
    EXPECT_EQ(above.get(), frameView->hitTest({75, 75}));
    EXPECT_EQ(below.get(), frameView->hitTest({25, 25}));
    EXPECT_EQ(content.get(), frameView->hitTest({175, 25}));
    EXPECT_EQ(nested.get(), frameView->hitTest({52, 68}));
    EXPECT_EQ(inner.get(), frameView->hitTest({52, 52}));
    EXPECT_EQ(nullptr, frameView->hitTest({250, 25}));

    above->setHidden(true);
    EXPECT_EQ(below.get(), frameView->hitTest({75, 75}));
    EXPECT_EQ(content.get(), frameView->hitTest({120, 120}));
    EXPECT_TRUE(nested->isHiddenOrHasHiddenAncestor());

    // A subview placed below its sibling loses the overlap.
    above->setHidden(false);
    content->addSubview(above, VLWSWindowOrderingMode::Below, below.get());
    EXPECT_EQ(below.get(), frameView->hitTest({75, 75}));
}

TEST_F(VLWSViewTest, AutoresizingSharesTheChangeAmongFlexibleParts) {
    struct Case {
        const char* name;
        uint64_t mask;
        VLRect frame;
        VLRect resized;
    } cases[] = {
        {"not sizable", VLWSViewNotSizable, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"sizes keep the margins",
         VLWSViewWidthSizable | VLWSViewHeightSizable,
         {10, 20, 30, 40},
         {10, 20, 130, 90}},
        {"low margins keep the high ones",
         VLWSViewMinXMargin | VLWSViewMinYMargin,
         {10, 20, 30, 40},
         {110, 70, 30, 40}},
        {"high margins keep the low ones",
         VLWSViewMaxXMargin | VLWSViewMaxYMargin,
         {10, 20, 30, 40},
         {10, 20, 30, 40}},
        {"three parts in proportion",
         VLWSViewMinXMargin | VLWSViewWidthSizable | VLWSViewMaxXMargin,
         {10, 20, 30, 40},
         {20, 20, 60, 40}},
        {"empty margins share evenly",
         VLWSViewMinXMargin | VLWSViewMaxXMargin,
         {0, 0, 100, 100},
         {50, 0, 100, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto superview = std::make_shared<VLWSView>(VLRect(0, 0, 100, 100));
        auto view = addView(superview, c.frame);
        view->setAutoresizingMask(c.mask);
        superview->setFrameSize({200, 150});
        EXPECT_EQ(c.resized, view->frame());
    }

    // Resizing goes down the tree, and stops where a view does not autoresize its subviews.
    auto root = std::make_shared<VLWSView>(VLRect(0, 0, 100, 100));
    auto middle = addView(root, {0, 0, 100, 100});
    auto leaf = addView(middle, {0, 0, 10, 10});
    middle->setAutoresizingMask(VLWSViewWidthSizable);
    leaf->setAutoresizingMask(VLWSViewWidthSizable);
    root->setFrameSize({150, 100});
    EXPECT_EQ(VLRect(0, 0, 60, 10), leaf->frame());
    middle->setAutoresizesSubviews(false);
    root->setFrameSize({200, 100});
    EXPECT_EQ(VLRect(0, 0, 60, 10), leaf->frame());
}

TEST_F(VLWSViewTest, TheLayerFollowsFrameBoundsFlipsHidingAndOrder) {
    auto superview = std::make_shared<FlippedView>(VLRect(0, 0, 100, 100));
    auto first = addView(superview, {10, 20, 30, 40});
    auto second = addView(superview, {0, 0, 5, 5});
    const auto& layer = first->layer();
    EXPECT_EQ(VLPoint(10, 20), layer->position());
    EXPECT_EQ(VLRect(0, 0, 30, 40), layer->bounds());
    EXPECT_EQ(VLPoint(0, 0), layer->anchorPoint());
    EXPECT_EQ(VLRect(10, 20, 30, 40), layer->frame());
    // Not flipped against a flipped superview.
    EXPECT_TRUE(layer->isGeometryFlipped());

    first->setFrame({1, 2, 3, 4});
    first->setHidden(true);
    first->setBounds({5, 5, 6, 8});
    EXPECT_EQ(VLRect(1, 2, 3, 4), layer->frame());
    EXPECT_TRUE(layer->isHidden());
    EXPECT_EQ(VLAffineTransform(0.5, 0, 0, 0.5, -2.5, -2.5), layer->sublayerTransform());

    // Sublayers come in the subviews' order, also when the layers are made late.
    auto third = std::make_shared<VLWSView>();
    superview->addSubview(third, VLWSWindowOrderingMode::Below, second.get());
    EXPECT_EQ((VLWSLayer::Layers{first->layer(), third->layer(), second->layer()}),
              superview->layer()->sublayers());
    superview->addSubview(first, VLWSWindowOrderingMode::Above, nullptr);
    EXPECT_EQ((VLWSLayer::Layers{third->layer(), second->layer(), first->layer()}),
              superview->layer()->sublayers());
    third->removeFromSuperview();
    EXPECT_EQ(nullptr, third->layer()->superlayer());
    EXPECT_EQ(2u, superview->layer()->sublayers().size());
}

TEST_F(VLWSViewTest, RespondersTrackingHooksAndFrameNotices) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    auto view = std::make_shared<TrackingView>(VLRect(0, 0, 10, 10));
    int notices = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLWSViewFrameDidChangeNotification, static_cast<const VLWSView*>(view.get()),
        [&](const VLNotification&) { ++notices; });

    window->contentView()->addSubview(view);
    EXPECT_EQ(1, view->updates);
    view->setFrame({0, 0, 20, 20});
    view->setFrame({0, 0, 20, 20});
    EXPECT_EQ(2, view->updates);
    EXPECT_EQ(1, notices);
    view->setPostsFrameChangedNotifications(false);
    view->setFrameOrigin({1, 1});
    EXPECT_EQ(1, notices);

    // The chain runs up the views to the window, and ends there.
    EXPECT_EQ(window->contentView().get(), view->nextResponder());
    EXPECT_EQ(window.get(), window->frameView()->nextResponder());
    EXPECT_EQ(nullptr, window->nextResponder());

    auto area = std::make_shared<VLWSTrackingArea>(
        VLRect(0, 0, 20, 20), VLWSTrackingMouseEnteredAndExited | VLWSTrackingActiveAlways, view);
    view->addTrackingArea(area);
    view->addTrackingArea(area);
    EXPECT_EQ(1u, view->trackingAreas().size());
    EXPECT_EQ(view, area->owner());
    view->removeTrackingArea(area);
    EXPECT_TRUE(view->trackingAreas().empty());

    EXPECT_FALSE(view->acceptsFirstMouse(nullptr));
    EXPECT_TRUE(view->mouseDownCanMoveWindow());

    view->removeFromSuperview();
    EXPECT_EQ(4, view->updates);
}
