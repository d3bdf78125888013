#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSPanel.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

namespace {

// A destination that writes down each call with the info's location, sequence number and mask, and
// answers `answer`.
class Destination final : public VLWSPanel {
public:
    using VLWSPanel::VLWSPanel;

    std::vector<std::string> log;
    uint64_t answer = VLWSDragOperationCopy;
    std::vector<std::string> paths;

    uint64_t draggingEntered(const VLWSDraggingInfo& info) override { return note("entered", &info); }
    uint64_t draggingUpdated(const VLWSDraggingInfo& info) override { return note("updated", &info); }
    void draggingExited(const VLWSDraggingInfo* info) override { note("exited", info); }
    bool prepareForDragOperation(const VLWSDraggingInfo& info) override { return note("prepare", &info); }
    bool performDragOperation(const VLWSDraggingInfo& info) override {
        for (const auto& url : info.draggingPasteboard().fileURLs())
            paths.push_back(url.path());
        return note("perform", &info);
    }

private:
    uint64_t note(const std::string& name, const VLWSDraggingInfo* info) {
        const VLPoint p = info->draggingLocation();
        log.push_back(name + "@" + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) + " #" +
                      std::to_string(info->draggingSequenceNumber()) + " mask " +
                      std::to_string(info->draggingSourceOperationMask()));
        return answer;
    }
};

class VLWSFileDragTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        panel = std::make_shared<Destination>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
        panel->registerForDraggedTypes({VLWSPasteboardTypeFileURL});
        panel->orderFront();
    }

    std::shared_ptr<Destination> panel;
};

} // namespace

TEST_F(VLWSFileDragTest, TheDestinationHearsEachStepWithTheDragsNumberAndMask) {
    std::vector<std::string> global;
    auto monitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
        VLWSEventMaskFromType(VLWSEventType::LeftMouseDragged) |
            VLWSEventMaskFromType(VLWSEventType::LeftMouseUp),
        [&](const VLWSEvent& event) { global.push_back(VLWSEventDescription(event)); });
    auto& driver = server().driver();

    const int64_t first =
        driver.beginFileDrag({"/tmp/a b.txt", "/tmp/dir"}, VLWSDragOperationCopy | VLWSDragOperationMove);
    EXPECT_TRUE(server().inputState().isLeftButtonDown());
    driver.dragTo({50, 50});
    driver.dragTo({110, 120});
    driver.dragTo({120, 120});
    driver.dragTo({400, 400});
    driver.dragTo({150, 150});
    driver.drop();
    const std::string tail = " #" + std::to_string(first) + " mask 17";
    EXPECT_EQ(
        (std::vector<std::string>{"entered@10,20" + tail, "updated@20,20" + tail, "exited@300,300" + tail,
                                  "entered@50,50" + tail, "prepare@50,50" + tail, "perform@50,50" + tail}),
        panel->log);
    EXPECT_EQ((std::vector<std::string>{"/tmp/a b.txt", "/tmp/dir"}), panel->paths);
    EXPECT_EQ((std::vector<std::string>{"dragged@50,50", "dragged@110,120", "dragged@120,120",
                                        "dragged@400,400", "dragged@150,150", "up@150,150"}),
              global);
    EXPECT_FALSE(server().inputState().isLeftButtonDown());

    // A second drag has its own number; an answer of none makes the drop an exit.
    panel->log.clear();
    panel->answer = VLWSDragOperationNone;
    const int64_t second = driver.beginFileDrag({"/tmp/c"}, VLWSDragOperationEvery);
    EXPECT_GT(second, first);
    driver.dragTo({150, 150});
    driver.drop();
    ASSERT_EQ(2u, panel->log.size());
    EXPECT_EQ("exited@50,50 #" + std::to_string(second) + " mask " +
                  std::to_string(uint64_t(VLWSDragOperationEvery)),
              panel->log[1]);
}

TEST_F(VLWSFileDragTest, WindowsThatIgnoreTheMouseOrAreNotRegisteredGetNothing) {
    struct Case {
        const char* name;
        std::function<void(Destination&)> setUp;
    } cases[] = {
        {"ignores the mouse", [](Destination& d) { d.setIgnoresMouseEvents(true); }},
        {"not registered", [](Destination& d) { d.unregisterDraggedTypes(); }},
        {"covered by an unregistered window", [](Destination&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.setUp(*panel);
        std::shared_ptr<VLWSWindow> cover;
        if (std::string(c.name).starts_with("covered")) {
            cover = std::make_shared<VLWSWindow>(VLRect(0, 0, 500, 500), VLWSWindowStyleMaskBorderless);
            cover->orderFront();
        }
        server().driver().beginFileDrag({"/tmp/a"}, VLWSDragOperationCopy);
        server().driver().dragTo({150, 150});
        server().driver().drop();
        EXPECT_TRUE(panel->log.empty());
    }
}
