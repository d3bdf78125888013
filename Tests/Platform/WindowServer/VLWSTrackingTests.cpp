#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

using VLWSTrackingTest = VLWindowServerTest;

namespace {

// Writes "name:event@x,y" into a shared log.
class NamedOwner final : public VLWSResponder {
public:
    NamedOwner(std::string name, std::vector<std::string>& log) : _name(std::move(name)), _log(log) {}
    void mouseEntered(const VLWSEvent& e) override { record(e); }
    void mouseExited(const VLWSEvent& e) override { record(e); }
    void mouseMoved(const VLWSEvent& e) override { record(e); }

private:
    void record(const VLWSEvent& e) {
        _log.push_back(_name + ":" + VLWSEventDescription(e) + (e.trackingArea() ? "" : " (no area)"));
    }
    std::string _name;
    std::vector<std::string>& _log;
};

} // namespace

TEST_F(VLWSTrackingTest, PathsAcrossNestedAreasGiveExactSequences) {
    constexpr uint64_t always = VLWSTrackingActiveAlways;
    struct Case {
        const char* name;
        uint64_t outerOptions, innerOptions;
        std::vector<std::string> expected;
    } cases[] = {
        {"entered and exited",
         always | VLWSTrackingMouseEnteredAndExited,
         always | VLWSTrackingMouseEnteredAndExited,
         {"outer:entered@20,20", "inner:entered@60,60", "inner:exited@150,150", "outer:exited@250,250"}},
        {"moves only",
         always | VLWSTrackingMouseMoved,
         always | VLWSTrackingMouseMoved,
         {"outer:moved@20,20", "outer:moved@60,60", "inner:moved@60,60", "outer:moved@150,150"}},
        {"both, the inner one in its visible rectangle",
         always | VLWSTrackingMouseEnteredAndExited | VLWSTrackingMouseMoved,
         always | VLWSTrackingMouseEnteredAndExited | VLWSTrackingMouseMoved | VLWSTrackingInVisibleRect,
         {"outer:entered@20,20", "outer:moved@20,20", "inner:entered@60,60", "outer:moved@60,60",
          "inner:moved@60,60", "inner:exited@150,150", "outer:moved@150,150", "outer:exited@250,250"}},
        {"an area that is not always active hears nothing",
         VLWSTrackingMouseEnteredAndExited,
         always | VLWSTrackingMouseEnteredAndExited,
         {"inner:entered@60,60", "inner:exited@150,150"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> log;
        auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 300, 300), VLWSWindowStyleMaskBorderless);
        auto outer = std::make_shared<VLWSView>(VLRect(10, 10, 200, 200));
        auto inner = std::make_shared<VLWSView>(VLRect(40, 40, 50, 50));
        window->contentView()->addSubview(outer);
        outer->addSubview(inner);
        auto outerOwner = std::make_shared<NamedOwner>("outer", log);
        auto innerOwner = std::make_shared<NamedOwner>("inner", log);
        outer->addTrackingArea(
            std::make_shared<VLWSTrackingArea>(VLRect(0, 0, 200, 200), c.outerOptions, outerOwner));
        // Without the visible-rectangle option the inner area is its own, smaller, rectangle.
        inner->addTrackingArea(
            std::make_shared<VLWSTrackingArea>(VLRect(0, 0, 50, 50), c.innerOptions, innerOwner));
        window->orderFront();
        for (VLPoint p :
             {VLPoint{5, 5}, VLPoint{20, 20}, VLPoint{60, 60}, VLPoint{150, 150}, VLPoint{250, 250}})
            server().driver().moveMouse(p);
        EXPECT_EQ(c.expected, log);
        server().driver().moveMouse({0, 299});
    }
}

TEST_F(VLWSTrackingTest, LeavingForAnotherWindowOrHidingEndsTheVisit) {
    std::vector<std::string> log;
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    auto owner = std::make_shared<NamedOwner>("area", log);
    window->contentView()->addTrackingArea(std::make_shared<VLWSTrackingArea>(
        VLRect(0, 0, 100, 100), VLWSTrackingActiveAlways | VLWSTrackingMouseEnteredAndExited, owner));
    window->orderFront();
    auto above = std::make_shared<VLWSWindow>(VLRect(50, 50, 100, 100), VLWSWindowStyleMaskBorderless);
    above->orderFront();

    server().driver().moveMouse({10, 10});
    server().driver().moveMouse({60, 60}); // over the window above
    server().driver().moveMouse({20, 20});
    window->contentView()->setHidden(true);
    server().driver().moveMouse({21, 21});
    // Drags count too, while the press goes elsewhere.
    window->contentView()->setHidden(false);
    server().driver().drag({200, 200}, {30, 30});
    EXPECT_EQ((std::vector<std::string>{"area:entered@10,10", "area:exited@60,60", "area:entered@20,20",
                                        "area:exited@21,21", "area:entered@30,30"}),
              log);
}
