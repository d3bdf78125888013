#include "Modules/Window/Component/VLComponent.h"

#include "Modules/Window/Component/VLComponentView.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTransaction.h"
#include "Tests/Support/VLColorPrinter.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <memory>
#include <thread>
#include <vector>

// The test thread is the main thread and the component thread at once: queued view work runs inline.

namespace {

using VLComponentViewTest = VLWindowServerTest;

std::vector<VLWSView*> subviewsOf(VLComponent& component) {
    std::vector<VLWSView*> views;
    for (const auto& view : component.view()->subviews())
        views.push_back(view.get());
    return views;
}

std::vector<VLWSView*> viewsOf(const std::vector<std::shared_ptr<VLComponent>>& components) {
    std::vector<VLWSView*> views;
    for (const auto& component : components)
        views.push_back(component->view().get());
    return views;
}

} // namespace

TEST_F(VLComponentViewTest, ViewsMirrorTheSubcomponentsInOrder) {
    auto root = VLComponent::create();
    auto a = VLComponent::create(), b = VLComponent::create(), c = VLComponent::create(),
         other = VLComponent::create();
    EXPECT_FALSE(root->isViewLoaded());
    root->addComponent(a, -1);
    // Placing a child makes both views.
    ASSERT_TRUE(root->isViewLoaded());
    ASSERT_NE(std::dynamic_pointer_cast<VLComponentView>(root->view()), nullptr);
    EXPECT_TRUE(root->view()->isFlipped());
    EXPECT_TRUE(root->view()->acceptsFirstMouse(nullptr));
    EXPECT_EQ(subviewsOf(*root), viewsOf({a}));

    root->addComponent(b, -1);
    root->addComponent(c, 0);
    root->addComponent(a, 1);
    EXPECT_EQ(subviewsOf(*root), viewsOf({c, a, b}));
    root->addComponent(c, -1);
    other->addComponent(a, -1);
    EXPECT_EQ(subviewsOf(*root), viewsOf({b, c}));
    EXPECT_EQ(subviewsOf(*other), viewsOf({a}));
    EXPECT_EQ(root->view()->layer()->sublayers(),
              (VLWSLayer::Layers{b->view()->layer(), c->view()->layer()}));

    c->removeFromParent();
    EXPECT_EQ(subviewsOf(*root), viewsOf({b}));
}

// Changes made on another thread reach the views later, all at once: appends, inserts at indices and
// moves still end in the subcomponents' order, views and layers alike.
TEST_F(VLComponentViewTest, ViewsFollowABurstOfChangesFromAnotherThreadInOrder) {
    auto root = VLComponent::create();
    root->view();
    std::vector<std::shared_ptr<VLComponent>> made;
    for (int i = 0; i < 7; ++i)
        made.push_back(VLComponent::create());
    std::thread([&] {
        const struct {
            int child;
            int64_t index;
        } changes[] = {{0, -1}, {1, -1}, {2, 0}, {3, 2}, {0, -1}, {4, -1}, {5, 1}, {6, 6}, {2, 3}};
        for (const auto& change : changes)
            root->addComponent(made[size_t(change.child)], change.index);
    }).join();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    const std::vector<std::shared_ptr<VLComponent>> order = root->subcomponents();
    ASSERT_EQ(order, (std::vector<std::shared_ptr<VLComponent>>{made[5], made[3], made[1], made[2], made[0],
                                                                made[4], made[6]}));
    EXPECT_EQ(subviewsOf(*root), viewsOf(order));
    VLWSLayer::Layers layers;
    for (const auto& component : order)
        layers.push_back(component->view()->layer());
    EXPECT_EQ(root->view()->layer()->sublayers(), layers);
}

TEST_F(VLComponentViewTest, AReleasedComponentsViewLeavesItsSuperview) {
    auto host = std::make_shared<VLWSView>();
    auto component = VLComponent::create();
    host->addSubview(component->view());
    std::weak_ptr<VLWSView> view = component->view();
    component.reset();
    EXPECT_TRUE(host->subviews().empty());
    EXPECT_TRUE(view.expired());
}

TEST_F(VLComponentViewTest, TheStyleReachesTheViewAndItsLayer) {
    const VLColor red = VLColor::redColor();
    const struct {
        VLDictionary style;
        bool hidden;
        bool displaysContents;
        VLColor background;
        float opacity;
        bool masks;
    } cases[] = {
        {{{"backgroundColor", "red"}, {"opacity", 0.5}}, false, false, red, 0.5f, true},
        {{{"overflow", "visible"}}, false, false, VLColor::clearColor(), 1, false},
        {{{"overflow", "scroll"}}, false, false, VLColor::clearColor(), 1, true},
        {{{"display", "contents"}, {"backgroundColor", "red"}, {"opacity", 0.5}, {"overflow", "hidden"}},
         false,
         true,
         VLColor::clearColor(),
         1,
         false},
        {{{"display", "none"}, {"backgroundColor", "red"}}, true, false, red, 1, true},
    };
    auto component = VLComponent::create({{"display", "none"}});
    component->view();
    for (const auto& test : cases) {
        SCOPED_TRACE(test.style.begin()->second.description());
        component->updateStyle(test.style);
        const auto& view = static_cast<VLComponentView&>(*component->view());
        const VLWSLayer& layer = *component->view()->layer();
        EXPECT_EQ(view.isHidden(), test.hidden);
        EXPECT_EQ(layer.isHidden(), test.hidden);
        EXPECT_EQ(view.displaysContents(), test.displaysContents);
        EXPECT_EQ(layer.backgroundColor(), test.background);
        EXPECT_EQ(layer.opacity(), test.opacity);
        EXPECT_EQ(layer.masksToBounds(), test.masks);
    }
}

TEST_F(VLComponentViewTest, TheCompositorShowsAChildAtItsLaidOutPlace) {
    auto root = VLComponent::create({{"width", 40}, {"height", 30}, {"paddingLeft", 10}, {"paddingTop", 5}});
    auto child = VLComponent::create({{"width", 10}, {"height", 10}, {"backgroundColor", "#00ff00"}});
    root->addComponent(child, -1);
    root->setNeedsLayout();
    EXPECT_EQ(child->view()->frame(), VLRect(10, 5, 10, 10));

    // The compositor draws a layer y up, so the flipped root goes into an unflipped host of its size.
    auto host = std::make_shared<VLWSView>(VLRect(0, 0, 40, 30));
    host->addSubview(root->view());
    VLTestBitmap target(40, 30);
    ASSERT_TRUE(VLCompositor::renderLayer(*host->layer(), target.mutablePixels(), 1, {}));
    const VLTestRGBA green{0, 255, 0, 255};
    const VLTestRGBA clear;
    EXPECT_EQ(target.pixel(10, 5), green);
    EXPECT_EQ(target.pixel(19, 14), green);
    EXPECT_EQ(target.pixel(9, 5), clear);
    EXPECT_EQ(target.pixel(10, 15), clear);
    EXPECT_EQ(target.pixel(20, 14), clear);
}

TEST_F(VLComponentViewTest, OneLayoutPassIsOneCommit) {
    auto root = VLComponent::create({{"width", 40}, {"flexDirection", "column"}});
    std::vector<std::shared_ptr<VLComponent>> children;
    root->view();
    for (int i = 0; i < 5; ++i) {
        children.push_back(VLComponent::create({{"height", 4 + i}}));
        root->addComponent(children.back(), -1);
    }
    VLWSTransaction::setRecordsCommits(true);
    VLWSTransaction::clearCommitLog();
    root->setNeedsLayout();
    const std::vector<VLWSTransactionCommit> log = VLWSTransaction::commitLog();
    VLWSTransaction::setRecordsCommits(false);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].isExplicit);
    EXPECT_TRUE(log[0].disablesActions);
    EXPECT_EQ(children[4]->view()->frame(), VLRect(0, 4 + 5 + 6 + 7, 40, 8));
}
