#include "Modules/Window/Window/VLWindow.h"

#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Component/VLComponentView.h"
#include "Modules/Window/Window/VLNSPanel.h"
#include "Modules/Window/Window/VLNSWindow.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLColorPrinter.h"
#include "Tests/Support/VLComponentEventRecorder.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Without a runtime, the test thread is the main thread and the component thread at once: main-queue
// work runs inline. With a widget, windows live on its JavaScript thread, reached through perform().

namespace {

// Each test gets a fresh window server with the headless screen (1440 × 900, y up).
class VLWindowTest : public testing::Test {
protected:
    void SetUp() override { VLWindowServer::setShared(std::make_shared<VLWindowServer>()); }
    void TearDown() override { VLWindowServer::setShared(nullptr); }

    static VLWindowServer& server() { return *VLWindowServer::shared(); }
};

// A component that counts how often it hears that it left a window.
class Leaving final : public VLComponent {
public:
    static std::shared_ptr<Leaving> make(const VLDictionary& style = {}) {
        std::shared_ptr<Leaving> component(new Leaving());
        component->initWithStyle(style, {}, {});
        return component;
    }
    int left = 0;

private:
    void inWindowDidChange(bool inWindow) override { left += inWindow ? 0 : 1; }
};

std::shared_ptr<VLWindow> window(const char* type, const VLDictionary& style = {}) {
    return VLWindow::create(style, type ? VLDictionary{{"type", type}} : VLDictionary{});
}

VLDictionary frameStyle(double left, double top, double width, double height) {
    return {{"left", left}, {"top", top}, {"width", width}, {"height", height}};
}

// The platform frame of a layout frame given in flipped screen coordinates.
VLRect screenFrame(double left, double top, double width, double height) {
    return {left, 900 - top - height, width, height};
}

VLTestRGBA pixelAt(const VLBitmap& bitmap, uint32_t x, uint32_t y) {
    const uint8_t* pixel = bitmap.row(y) + x * 4;
    if (bitmap.byteOrder() == VLBitmapByteOrder::BGRA)
        return {pixel[2], pixel[1], pixel[0], pixel[3]};
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

} // namespace

TEST_F(VLWindowTest, EachKindMakesItsPlatformWindow) {
    constexpr int32_t normal = 0;
    const struct {
        const char* type;
        bool panel;
        uint64_t styleMask;
        int32_t level;
        uint64_t collectionBehavior;
        bool shadow;
        bool movable;
        bool opaque;
        bool hidesOnDeactivate;
    } cases[] = {
        {"desktop", false, 0, -2147483624, 0x51, false, false, true, false},
        {"widget", false, 6, -2147483602, 0x10, false, true, false, false},
        {"overlay", true, 0x80, 3, 0x151, false, true, false, false},
        {"panel", false, 0x0f, 8, 0, true, false, true, false},
        {nullptr, false, 0x0f, normal, 0, true, false, true, false},
        {"", false, 0x0f, normal, 0, true, false, true, false},
        {"sidebar", false, 0x0f, normal, 0, true, false, true, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.type ? test.type : "(none)");
        auto component = window(test.type, {{"backgroundColor", "red"}});
        const std::shared_ptr<VLWSView> view = component->view();
        ASSERT_NE(component->platformWindow(), nullptr);
        const VLWSWindow& platform = *component->platformWindow();
        EXPECT_EQ(dynamic_cast<const VLNSPanel*>(&platform) != nullptr, test.panel);
        EXPECT_EQ(dynamic_cast<const VLNSWindow*>(&platform) != nullptr, !test.panel);
        // A desktop window takes the desktop's clicks over it through its component.
        const auto* engineWindow = dynamic_cast<const VLNSWindow*>(&platform);
        EXPECT_EQ(engineWindow && engineWindow->mouseEventDelegate() == component,
                  test.type && std::string_view(test.type) == "desktop");
        EXPECT_EQ(platform.styleMask(), test.styleMask);
        EXPECT_EQ(platform.level(), test.level);
        EXPECT_EQ(platform.collectionBehavior(), test.collectionBehavior);
        EXPECT_EQ(platform.hasShadow(), test.shadow);
        EXPECT_EQ(platform.isMovableByWindowBackground(), test.movable);
        EXPECT_EQ(platform.isOpaque(), test.opaque);
        EXPECT_EQ(platform.hidesOnDeactivate(), test.hidesOnDeactivate);
        // An opaque window shows the component's colour behind its views.
        EXPECT_EQ(platform.backgroundColor(), test.opaque ? VLColor::redColor() : VLColor::clearColor());
        EXPECT_FALSE(platform.isReleasedWhenClosed());
        EXPECT_EQ(platform.delegate(), std::static_pointer_cast<VLWSWindowDelegate>(component));
        EXPECT_EQ(platform.contentView(), view);
        // Made at (0, 0, 1, 1); a titled mask adds its title bar above.
        EXPECT_EQ(platform.frame().origin, VLPoint(0, 0));
        EXPECT_EQ(platform.frame().size.width, 1);
        EXPECT_FALSE(platform.isVisible());
        EXPECT_FALSE(component->isHosted());
    }
}

TEST_F(VLWindowTest, ShowingActivatesTheApplicationForPanelsAndUntypedWindowsOnly) {
    const struct {
        const char* type;
        bool activates;
    } cases[] = {{"panel", true}, {nullptr, true}, {"widget", false}, {"overlay", false}, {"desktop", false}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.type ? test.type : "(none)");
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        auto component = window(test.type);
        component->show();
        const std::shared_ptr<VLWSWindow>& platform = component->platformWindow();
        ASSERT_NE(platform, nullptr);
        EXPECT_TRUE(platform->isVisible());
        EXPECT_TRUE(component->isShown());
        EXPECT_EQ(server().isActive(), test.activates);
        EXPECT_EQ(server().keyWindow() == platform, test.activates);
    }
}

TEST_F(VLWindowTest, HostedGeometryFitsTheHostAreaIntoTheHostView) {
    const VLRect null = VLRectNull;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        VLRect bounds;
        bool flipped;
        VLRect area;
        VLRect frame;
        std::optional<VLRect> placed;
    } cases[] = {
        {"scaled by 2 and centred, flipped",
         {0, 0, 400, 400},
         true,
         {0, 0, 200, 100},
         {0, 0, 100, 50},
         VLRect(0, 100, 200, 100)},
        {"scaled by 2 and centred",
         {0, 0, 400, 400},
         false,
         {0, 0, 200, 100},
         {0, 0, 100, 50},
         VLRect(0, 200, 200, 100)},
        {"offset in the area",
         {10, 20, 400, 400},
         true,
         {100, 100, 200, 100},
         {150, 125, 50, 50},
         VLRect(110, 170, 100, 100)},
        {"no area: the bounds", {0, 0, 300, 200}, true, null, {0, 0, 10, 10}, VLRect(0, 0, 300, 200)},
        {"zero width", {0, 0, 400, 400}, true, {0, 0, 0, 100}, {0, 0, 100, 50}, std::nullopt},
        {"zero height", {0, 0, 400, 400}, true, {0, 0, 200, 0}, {0, 0, 100, 50}, std::nullopt},
        {"NaN frame", {0, 0, 400, 400}, true, {0, 0, 200, 100}, {nan, 0, 100, 50}, std::nullopt},
    };
    for (const auto& test : cases)
        EXPECT_EQ(VLWindow::hostedFrame(test.bounds, test.flipped, test.area, test.frame), test.placed)
            << test.name;
}

TEST_F(VLWindowTest, AHostedWindowIsAViewOfTheHostThatFollowsItsFrame) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* type;
        VLRect area;
        bool hosted;
    } cases[] = {
        {"desktop", VLRectNull, true},
        {"widget", VLRectNull, false},
        {"widget", {0, 0, 200, 100}, true},
        {"widget", {0, 0, infinity, 100}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.type + std::string(test.hosted ? " hosted" : " own"));
        auto host = std::make_shared<VLComponentView>(VLRect(0, 0, 400, 400));
        auto component = window(test.type, frameStyle(0, 0, 100, 50));
        component->setHostView(host);
        component->setHostArea(test.area);
        component->setNeedsLayout();
        const std::shared_ptr<VLWSView> view = component->view();
        EXPECT_EQ(component->isHosted(), test.hosted);
        EXPECT_EQ(component->platformWindow() == nullptr, test.hosted);
        EXPECT_EQ(view->superview() == host.get(), test.hosted);
    }

    auto host = std::make_shared<VLComponentView>(VLRect(0, 0, 400, 400));
    auto component = window("widget", frameStyle(0, 0, 100, 50));
    component->setHostView(host);
    component->setHostArea({0, 0, 200, 100});
    component->setNeedsLayout();
    const std::shared_ptr<VLWSView> view = component->view();
    EXPECT_EQ(view->frame(), VLRect(0, 100, 200, 100));
    EXPECT_EQ(view->bounds(), VLRect(0, 0, 100, 50));
    host->setFrame({0, 0, 800, 800});
    EXPECT_EQ(view->frame(), VLRect(0, 200, 400, 200));

    // Closing takes the view out of the host and fires "close"; showing puts it back.
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    component->setEventDelegate(recorder);
    component->close();
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(recorder->names(), std::vector<std::string>{"close"});
    component->show();
    EXPECT_EQ(view->superview(), host.get());
}

TEST_F(VLWindowTest, DestroyingTwiceTearsDownOnce) {
    auto component = window("panel", frameStyle(0, 0, 50, 50));
    auto child = Leaving::make();
    component->addComponent(child, -1);
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    component->setEventDelegate(recorder);
    component->show();
    EXPECT_EQ(server().windows().size(), 1u);

    component->destroy();
    EXPECT_FALSE(component->isInWindow());
    EXPECT_FALSE(child->isInWindow());
    EXPECT_EQ(child->left, 1);
    EXPECT_EQ(component->platformWindow(), nullptr);
    EXPECT_TRUE(server().windows().empty());
    const std::vector<std::string> fired{"focus", "close", "blur"};
    EXPECT_EQ(recorder->names(), fired);

    component->destroy();
    component->show();
    EXPECT_EQ(child->left, 1);
    EXPECT_EQ(recorder->names(), fired);
    EXPECT_TRUE(server().windows().empty());

    // Destroyed before it was ever shown, a window never appears.
    auto unseen = window("panel");
    unseen->destroy();
    unseen->addComponent(VLComponent::create(), -1);
    unseen->show();
    EXPECT_TRUE(unseen->isViewLoaded());
    EXPECT_EQ(unseen->platformWindow(), nullptr);
    EXPECT_TRUE(server().windows().empty());
}

TEST_F(VLWindowTest, ListeningToKeysMakesTheWindowTheKeyDelegateUnlessTheRuntimeForbids) {
    auto component = VLWindow::create({}, {{"type", "widget"}}, {"keydown"});
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    component->setEventDelegate(recorder);
    component->show();
    auto& platform = dynamic_cast<VLNSWindow&>(*component->platformWindow());
    EXPECT_EQ(platform.keyboardEventDelegate(), component);
    platform.makeKeyWindow();
    VLTestWidget::driver().typeKey(0, "a");
    EXPECT_EQ(recorder->names(), (std::vector<std::string>{"focus", "keydown", "keyup"}));
    EXPECT_EQ(server().unhandledKeyEventCount(), 0u);

    component->addEvent("keyup");
    component->removeEvent("keydown");
    EXPECT_EQ(platform.keyboardEventDelegate(), component);
    component->removeEvent("keyup");
    EXPECT_EQ(platform.keyboardEventDelegate(), nullptr);
    VLTestWidget::driver().typeKey(0, "a");
    EXPECT_EQ(server().unhandledKeyEventCount(), 2u);

    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    widget.runtime()->setAllowsKeyboard(false);
    auto forbidden = VLWindow::create({}, {{"type", "widget"}}, {"keydown"});
    forbidden->setRuntime(widget.runtime());
    forbidden->show();
    EXPECT_EQ(dynamic_cast<VLNSWindow&>(*forbidden->platformWindow()).keyboardEventDelegate(), nullptr);
}

TEST_F(VLWindowTest, AWindowCannotBeASubcomponent) {
    auto parent = VLComponent::create();
    auto component = window("widget");
    parent->addComponent(component, -1);
    EXPECT_TRUE(parent->subcomponents().empty());
    EXPECT_TRUE(component->isTopLevel());
    EXPECT_TRUE(component->isInWindow());
}

TEST_F(VLWindowTest, ChildWindowsSitAboveTheirParentsWithoutCycles) {
    auto a = window("panel"), b = window("panel"), c = window("panel");
    b->setParentWindow(a);
    c->setParentWindow(b);
    a->setParentWindow(c);
    a->setParentWindow(a);
    EXPECT_EQ(a->parentWindow(), nullptr);
    EXPECT_TRUE(c->childWindows().empty());

    // Children given before the views load are attached when they do.
    a->show();
    EXPECT_EQ(a->platformWindow()->childWindows(), std::vector{b->platformWindow()});
    EXPECT_EQ(b->platformWindow()->childWindows(), std::vector{c->platformWindow()});
    EXPECT_TRUE(c->platformWindow()->isVisible());

    c->setParentWindow(a);
    EXPECT_TRUE(b->childWindows().empty());
    EXPECT_EQ(a->childWindows(), (std::vector{b, c}));
    EXPECT_EQ(a->platformWindow()->childWindows(), (std::vector{b->platformWindow(), c->platformWindow()}));
    c->setParentWindow(nullptr);
    EXPECT_EQ(a->childWindows(), std::vector{b});
    EXPECT_EQ(c->platformWindow()->parentWindow(), nullptr);
}

TEST_F(VLWindowTest, NoLayoutRunsDuringALiveResize) {
    auto component = window("panel", frameStyle(0, 0, 50, 50));
    component->show();
    component->handleRenderingTick();
    VLWSWindow& platform = *component->platformWindow();
    ASSERT_EQ(component->frame(), VLRect(0, 0, 50, 50));

    component->updateStyle(frameStyle(0, 0, 80, 50));
    component->windowWillStartLiveResize(platform);
    EXPECT_FALSE(component->needsLayout());
    EXPECT_FALSE(component->needsRenderingTick());
    component->handleRenderingTick();
    EXPECT_EQ(component->frame(), VLRect(0, 0, 50, 50));

    component->windowDidEndLiveResize(platform);
    EXPECT_TRUE(component->needsRenderingTick());
    component->handleRenderingTick();
    EXPECT_EQ(component->frame(), VLRect(0, 0, 80, 50));
    EXPECT_FALSE(component->needsRenderingTick());
}

TEST_F(VLWindowTest, ACompositedScreenShowsTheWindowsColouredChildrenInPlace) {
    auto component = window("widget", {{"left", 100}, {"top", 50}, {"width", 60}, {"height", 40}});
    component->addComponent(VLComponent::create({{"width", 20}, {"height", 20}, {"backgroundColor", "red"}}),
                            -1);
    component->addComponent(VLComponent::create({{"width", 20}, {"height", 30}, {"backgroundColor", "blue"}}),
                            -1);
    component->show();
    component->handleRenderingTick();
    ASSERT_EQ(component->platformWindow()->frame(), screenFrame(100, 50, 60, 40));

    const std::shared_ptr<VLBitmap> screen =
        VLCompositor::compositeScreen(server(), server().snapshot()->screens().front());
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->width(), 1440u);
    const VLTestRGBA red{255, 0, 0, 255}, blue{0, 0, 255, 255}, clear{};
    const struct {
        uint32_t x, y;
        VLTestRGBA colour;
    } probes[] = {
        {100, 50, red},   {119, 69, red},  {100, 70, clear}, {120, 50, blue},  {139, 79, blue},
        {140, 50, clear}, {99, 50, clear}, {100, 49, clear}, {120, 80, clear}, {0, 0, clear},
    };
    for (const auto& probe : probes)
        EXPECT_EQ(pixelAt(*screen, probe.x, probe.y), probe.colour) << probe.x << ", " << probe.y;
}

// Windows on a runtime's JavaScript thread.

TEST_F(VLWindowTest, LayoutMovesTheWindowOnATickAndScriptMovesAtOnce) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    std::shared_ptr<VLWindow> component, early;
    widget.perform([&] {
        component = window("widget", frameStyle(100, 50, 200, 120));
        component->setRuntime(widget.runtime());
        component->show();
    });
    EXPECT_EQ(component->platformWindow()->frame().size.width, 1);
    widget.perform([&] { component->handleRenderingTick(); });
    EXPECT_EQ(component->platformWindow()->frame(), screenFrame(100, 50, 200, 120));

    // A move alone is laid out without waiting for a tick; a move with a resize waits for one.
    widget.perform([&] { component->updateStyle(frameStyle(300, 60, 200, 120)); });
    EXPECT_EQ(component->platformWindow()->frame(), screenFrame(300, 60, 200, 120));
    widget.perform([&] { component->updateStyle(frameStyle(10, 60, 100, 120)); });
    EXPECT_EQ(component->platformWindow()->frame(), screenFrame(300, 60, 200, 120));
    widget.perform([&] { component->handleRenderingTick(); });
    EXPECT_EQ(component->platformWindow()->frame(), screenFrame(10, 60, 100, 120));

    // A tree laid out before its window was shown opens at its layout frame.
    widget.perform([&] {
        early = window("panel", frameStyle(40, 30, 300, 200));
        early->handleRenderingTick();
        early->show();
    });
    EXPECT_EQ(early->platformWindow()->frame(), screenFrame(40, 30, 300, 200));

    // The display the window shows on drives the runtime's rendering loop.
    EXPECT_EQ(widget.runtime()->renderingLoop()->displayID(), 1u);
    widget.perform([&] { component.reset(), early.reset(); });
}

TEST_F(VLWindowTest, AsAPortOfTheRenderingLoopTheWindowIsLaidOutOnTicks) {
    auto factory = std::make_shared<VLManualFrameSourceFactory>();
    VLFrameSourceFactory::setShared(factory);
    {
        VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
        ASSERT_NE(widget.runtime(), nullptr);
        const std::shared_ptr<VLRenderingLoop> loop = widget.runtime()->renderingLoop();
        std::shared_ptr<VLWindow> component;
        // Below the menu bar, where layout places a widget window as it is.
        widget.perform([&] {
            component = window("widget", frameStyle(10, 30, 30, 40));
            component->setRuntime(widget.runtime());
            component->show();
            loop->addPort(component);
        });
        const auto tick = [&] {
            ASSERT_NE(factory->lastSource(), nullptr);
            factory->lastSource()->fire();
            widget.settle();
        };
        tick();
        EXPECT_EQ(component->platformWindow()->frame(), screenFrame(10, 30, 30, 40));
        widget.perform([&] { component->updateStyle(frameStyle(10, 30, 60, 40)); });
        EXPECT_EQ(component->platformWindow()->frame(), screenFrame(10, 30, 30, 40));
        tick();
        EXPECT_EQ(component->platformWindow()->frame(), screenFrame(10, 30, 60, 40));
        widget.perform([&] {
            loop->removePort(component);
            component.reset();
        });
    }
    VLFrameSourceFactory::setShared(nullptr);
}

TEST_F(VLWindowTest, LayoutKeepsRestrictedKindsBelowTheMenuBar) {
    // The headless screen's visible frame starts 25 points below its top.
    const struct {
        const char* type;
        bool restricts;
        double top;
    } cases[] = {
        {"widget", false, 25}, {"overlay", true, 25}, {"overlay", false, 5},
        {"panel", true, 5},    {"desktop", true, 5},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.type) + (test.restricts ? " restricting" : ""));
        VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
        ASSERT_NE(widget.runtime(), nullptr);
        widget.runtime()->setRestrictsWindows(test.restricts);
        std::shared_ptr<VLWindow> component;
        widget.perform([&] {
            component = window(test.type, frameStyle(10, 5, 30, 40));
            component->setRuntime(widget.runtime());
            component->show();
            component->handleRenderingTick();
        });
        EXPECT_EQ(component->platformWindow()->frame(), screenFrame(10, test.top, 30, 40));
        widget.perform([&] { component.reset(); });
    }
}

TEST_F(VLWindowTest, HitRegionsArePostedOnceAndMonitorThePointer) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    std::shared_ptr<VLWindow> component;
    const VLWindowRegion region{{0, 0, 10, 10}, {20, 0, 10, 10}};
    widget.perform([&] {
        component = window("widget", frameStyle(0, 30, 50, 50));
        component->show();
        component->handleRenderingTick();
        component->setHitRegion(region);
    });
    EXPECT_EQ(component->mainHitRegion(), region);
    EXPECT_TRUE(component->hasHitRegionMonitors());

    // Applying a region lays the tree out first: a resize left for the tick shows whether one ran.
    widget.perform([&] {
        component->updateStyle(frameStyle(0, 30, 80, 50));
        component->setHitRegion(VLWindowRegion(region));
    });
    EXPECT_EQ(component->platformWindow()->frame().size, VLSize(50, 50));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    widget.perform([&] {
        component->setHitRegion(VLWindowRegion{{0, 0, 5, 5}, {nan, 0, 5, 5}, {0, 0, -1, 5}});
    });
    EXPECT_EQ(component->platformWindow()->frame().size, VLSize(80, 50));
    EXPECT_EQ(component->mainHitRegion(), (VLWindowRegion{{0, 0, 5, 5}}));

    // Its local monitor keeps this window's mouse moves to itself and passes releases on.
    std::vector<VLWSEventType> seen;
    const auto monitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        VLWSEventMaskFromType(VLWSEventType::MouseMoved) | VLWSEventMaskFromType(VLWSEventType::LeftMouseUp),
        [&](const VLWSEvent& event) {
            seen.push_back(event.type());
            return std::optional(event);
        });
    VLTestWidget::driver().moveMouse({2, 868});
    VLTestWidget::driver().click({3, 867});
    EXPECT_EQ(seen, std::vector{VLWSEventType::LeftMouseUp});

    widget.perform([&] { component->setHitRegion(std::nullopt); });
    EXPECT_FALSE(component->hasHitRegionMonitors());
    VLTestWidget::driver().moveMouse({25, 850});
    EXPECT_EQ(seen, (std::vector{VLWSEventType::LeftMouseUp, VLWSEventType::MouseMoved}));
    VLWSEvent::removeMonitor(monitor);
    widget.perform([&] { component.reset(); });
}

TEST_F(VLWindowTest, AnOpenWindowBelongsToItsRuntimeAndKeepsItBusy) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    std::shared_ptr<VLWindow> component;
    widget.perform([&] {
        component = window("widget");
        component->setRuntime(widget.runtime());
        component->show();
    });
    EXPECT_EQ(VLRuntime::runtimeOwningWindow(*component->platformWindow()), widget.runtime());
    auto stranger = std::make_shared<VLWSWindow>(VLRect(0, 0, 10, 10), 0);
    EXPECT_EQ(VLRuntime::runtimeOwningWindow(*stranger), nullptr);

    const std::shared_ptr<VLJSEngine>& engine = widget.runtime()->engine();
    EXPECT_FALSE(engine->waitUntilIdle(std::chrono::steady_clock::now()));
    widget.perform([&] { component->close(); });
    EXPECT_FALSE(component->isShown());
    EXPECT_TRUE(engine->waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::seconds(30)));

    widget.perform([&] { component->show(); });
    EXPECT_FALSE(engine->waitUntilIdle(std::chrono::steady_clock::now()));
    widget.perform([&] { component->destroy(); });
    EXPECT_TRUE(engine->waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::seconds(30)));
    widget.perform([&] { component.reset(); });
}
