#include "Modules/Window/Window/VLWindow.h"

#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Window/VLNSPanel.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLComponentEventRecorder.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestRuntime.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Each test gets a fresh window server with the headless screen (1440 × 900, y up).
class VLWindowFileDropTest : public testing::Test {
protected:
    void SetUp() override { VLWindowServer::setShared(std::make_shared<VLWindowServer>()); }
    void TearDown() override { VLWindowServer::setShared(nullptr); }
};

// An overlay window 200 × 100 at (100, 100) from the screen's top left, listening to the events.
std::shared_ptr<VLWindow> overlay(const VLArray& events, const char* type = "overlay") {
    return VLWindow::create({{"left", 100}, {"top", 100}, {"width", 200}, {"height", 100}}, {{"type", type}},
                            events);
}

// One step of a drag of the files at the window's content point (top-left origin).
VLWSDraggingInfo dragAt(const VLWindow& window, VLPoint point, int64_t sequence = 1,
                        std::vector<std::string> paths = {"/tmp/a.txt"},
                        uint64_t sourceMask = VLWSDragOperationEvery) {
    const double height = window.platformWindow()->contentView()->frame().size.height;
    return VLWSDraggingInfo({point.x, height - point.y}, sequence, sourceMask,
                            std::make_shared<const VLWSPasteboard>(std::move(paths)));
}

uint64_t tell(VLWindow& window, const std::string& type, const VLWSDraggingInfo& info) {
    return window.nswindowFileDragWithType(*window.platformWindow(), type, &info);
}

// An overlay window of the widget's runtime, which allows drops, made on its thread, shown and laid out;
// its events go to the recorder.
std::shared_ptr<VLWindow> shownOverlay(VLTestWidget& widget, const VLArray& events,
                                       const std::shared_ptr<VLComponentEventRecorder>& recorder) {
    widget.runtime()->setAllowsFileDrops(true);
    std::shared_ptr<VLWindow> component;
    widget.perform([&] {
        component = overlay(events);
        component->setRuntime(widget.runtime());
        component->setEventDelegate(recorder);
        component->show();
        component->handleRenderingTick();
    });
    return component;
}

bool acceptsFiles(const VLWindow& window) {
    const auto* panel = dynamic_cast<const VLNSPanel*>(window.platformWindow().get());
    return panel && panel->fileDropDelegate() &&
           panel->registeredDraggedTypes() == std::vector<std::string>{VLWSPasteboardTypeFileURL};
}

} // namespace

TEST_F(VLWindowFileDropTest, OnlyOverlayWindowsListeningToDragsAcceptFilesWhenTheRuntimeAllows) {
    VLTestRuntime runtime;
    const struct {
        const char* name;
        const char* type;
        bool allows;
        bool hasRuntime;
        VLArray events;
        bool accepts;
    } cases[] = {
        {"overlay listening to drop", "overlay", true, true, {"drop"}, true},
        {"drops not allowed", "overlay", false, true, {"drop"}, false},
        {"no runtime", "overlay", true, false, {"dragenter"}, false},
        {"no drag event listened", "overlay", true, true, {"click", "keydown"}, false},
        {"a widget window", "widget", true, true, {"drop"}, false},
        {"a panel window", "panel", true, true, {"drop"}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        runtime->setAllowsFileDrops(test.allows);
        auto component = overlay(test.events, test.type);
        if (test.hasRuntime)
            component->setRuntime(runtime.get());
        auto recorder = std::make_shared<VLComponentEventRecorder>();
        component->setEventDelegate(recorder);
        component->view();
        EXPECT_EQ(acceptsFiles(*component), test.accepts);
        EXPECT_EQ(tell(*component, "dragenter", dragAt(*component, {10, 10})),
                  test.accepts ? VLWSDragOperationGeneric : VLWSDragOperationNone);
        EXPECT_EQ(recorder->names(),
                  test.accepts ? std::vector<std::string>{"dragenter"} : std::vector<std::string>{});
    }

    // Taking the last drag listener away mid-drag forgets the drag; a new listener accepts again.
    runtime->setAllowsFileDrops(true);
    auto component = overlay({"dragenter", "drop"});
    component->setRuntime(runtime.get());
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    component->setEventDelegate(recorder);
    component->view();
    tell(*component, "dragenter", dragAt(*component, {10, 10}));
    component->removeEvent("drop");
    EXPECT_TRUE(acceptsFiles(*component));
    component->removeEvent("dragenter");
    EXPECT_FALSE(acceptsFiles(*component));
    EXPECT_TRUE(component->platformWindow()->registeredDraggedTypes().empty());
    component->addEvent("dragleave");
    EXPECT_TRUE(acceptsFiles(*component));
    tell(*component, "dragleave", dragAt(*component, {10, 10}));
    EXPECT_EQ(recorder->names(), std::vector<std::string>{"dragenter"});
}

TEST_F(VLWindowFileDropTest, TheHitRegionDecidesWhereAndTheSourceHowFilesAreTaken) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    std::shared_ptr<VLWindow> component = shownOverlay(widget, {"dragenter", "dragleave"}, recorder);

    // A drag enters at the point, then moves to (100, 50), outside every rectangle.
    const VLWindowRegion two{{0, 0, 10, 10}, {20, 0, 10, 10}};
    using Names = std::vector<std::string>;
    const struct {
        const char* name;
        std::optional<VLWindowRegion> region;
        VLPoint point;
        uint64_t operation;
        Names fired;
    } regions[] = {
        {"no region: everywhere inside",
         std::nullopt,
         {150, 90},
         VLWSDragOperationGeneric,
         {"dragenter", "dragover"}},
        {"an empty region: nowhere", VLWindowRegion{}, {5, 5}, VLWSDragOperationNone, {}},
        {"in the second rectangle", two, {25, 5}, VLWSDragOperationGeneric, {"dragenter", "dragleave"}},
        {"between the rectangles", two, {15, 5}, VLWSDragOperationNone, {}},
        {"on a rectangle's far edge", two, {10, 5}, VLWSDragOperationNone, {}},
    };
    int64_t sequence = 0;
    for (const auto& test : regions) {
        SCOPED_TRACE(test.name);
        widget.perform([&] { component->setHitRegion(test.region); });
        recorder->clear();
        EXPECT_EQ(tell(*component, "dragenter", dragAt(*component, test.point, ++sequence)), test.operation);
        tell(*component, "dragover", dragAt(*component, {100, 50}, sequence));
        EXPECT_EQ(recorder->names(), test.fired);
    }

    widget.perform([&] { component->setHitRegion(std::nullopt); });
    const struct {
        uint64_t sourceMask;
        uint64_t operation;
    } operations[] = {
        {VLWSDragOperationEvery, VLWSDragOperationGeneric},
        {VLWSDragOperationMove | VLWSDragOperationCopy | VLWSDragOperationLink, VLWSDragOperationMove},
        {VLWSDragOperationCopy | VLWSDragOperationLink, VLWSDragOperationCopy},
        {VLWSDragOperationLink | VLWSDragOperationPrivate, VLWSDragOperationNone},
    };
    for (const auto& test : operations)
        EXPECT_EQ(tell(*component, "dragenter",
                       dragAt(*component, {5, 5}, ++sequence, {"/tmp/a"}, test.sourceMask)),
                  test.operation)
            << test.sourceMask;

    // Without file URLs there is nothing to take.
    recorder->clear();
    EXPECT_EQ(tell(*component, "dragenter", dragAt(*component, {5, 5}, ++sequence, {"relative"})),
              VLWSDragOperationNone);
    // A drag with a new number starts over with "dragenter", though the last one never left.
    tell(*component, "dragenter", dragAt(*component, {5, 5}, ++sequence));
    tell(*component, "dragover", dragAt(*component, {5, 5}, sequence));
    tell(*component, "dragover", dragAt(*component, {5, 5}, ++sequence));
    EXPECT_EQ(recorder->names(), (std::vector<std::string>{"dragenter", "dragenter"}));
    widget.perform([&] { component.reset(); });
}

TEST_F(VLWindowFileDropTest, DroppedFilesGetTheRuntimesTokensAndNoneWithoutARuntime) {
    auto runtime = std::make_unique<VLTestRuntime>();
    (*runtime)->setAllowsFileDrops(true);
    auto component = overlay({"drop"});
    component->setRuntime(runtime->get());
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    component->setEventDelegate(recorder);
    component->view();
    const std::vector<std::string> paths{"/tmp/a.txt", "/tmp/b"};
    const auto drop = [&]() -> VLArray {
        recorder->clear();
        EXPECT_EQ(tell(*component, "drop", dragAt(*component, {5, 6}, 1, paths)), VLWSDragOperationGeneric);
        if (recorder->names() != std::vector<std::string>{"drop"})
            return {};
        const VLDictionary payload = recorder->fired().front().second;
        EXPECT_EQ(payload.get("x"), VLValue(5.0));
        EXPECT_EQ(payload.get("y"), VLValue(6.0));
        return payload.get("files").arrayValue();
    };
    const VLArray files = drop();
    ASSERT_EQ(files.size(), paths.size());
    for (size_t index = 0; index < paths.size(); ++index) {
        const std::optional<VLURL> url =
            (*runtime)->fileURLForDropToken(files[index].dictionaryValue().get("token").stringValue());
        ASSERT_TRUE(url);
        EXPECT_EQ(url->path(), paths[index]);
    }

    runtime.reset();
    const VLArray orphans = drop();
    ASSERT_EQ(orphans.size(), paths.size());
    for (const VLValue& file : orphans)
        EXPECT_FALSE(file.dictionaryValue().contains("token"));
}

TEST_F(VLWindowFileDropTest, AScriptHearsAFileDragOfTheDriverOverItsOverlayWindow) {
    VLTemporaryDirectory folder;
    std::ofstream(folder / "a.txt") << "hello";
    std::filesystem::create_directory(folder / "folder");
    auto factory = std::make_shared<VLManualFrameSourceFactory>();
    VLFrameSourceFactory::setShared(factory);
    {
        VLTestWidget widget(
            std::map<std::string, std::string>{{"index.js", R"(
                const w = new Velto.Window({
                    type: 'overlay', style: { left: 100, top: 100, width: 200, height: 100 },
                });
                // Times and tokens change from run to run: their types are printed.
                const describe = e => e === undefined ? 'no argument' : JSON.stringify(e,
                    (key, value) => key === 'modified' || key === 'token' ? typeof value : value);
                for (const name of ['dragenter', 'dragover', 'dragleave', 'drop'])
                    w.addEventListener(name, e => console.log(name, describe(e)));
                w.show();
            )"}},
            [](VLLocalPathLaunchPayload& payload) { payload.setValueForKey("allowsFileDrops", true); });
        ASSERT_NE(widget.runtime(), nullptr);
        ASSERT_NE(factory->lastSource(), nullptr);
        factory->lastSource()->fire();
        widget.settle();

        // The window spans (100, 700) to (300, 800) on the screen, y up.
        VLWSDriver& driver = VLTestWidget::driver();
        driver.beginFileDrag({(folder / "a.txt").string(), (folder / "folder").string()},
                             VLWSDragOperationEvery);
        for (VLPoint point :
             {VLPoint(50, 750), {150, 750}, {150, 750}, {160, 740}, {50, 750}, {150, 750}, {170, 730}})
            driver.dragTo(point);
        driver.drop();
        widget.settle();

        const std::string file = R"({"name":"a.txt","directory":0,"package":false,"size":5,)"
                                 R"("type":"public.plain-text","modified":"number","extension":"txt")";
        const std::string directory = R"({"name":"folder","directory":1,"package":false,)"
                                      R"("type":"public.folder","modified":"number","extension":"")";
        const std::string files = "[" + file + "}," + directory + "}]";
        const std::string dropped =
            "[" + file + R"(,"token":"string"},)" + directory + R"(,"token":"string"}])";
        const auto at = [](int x, int y, const std::string& files) {
            return "{\"x\":" + std::to_string(x) + ",\"y\":" + std::to_string(y) + ",\"files\":" + files +
                   "}";
        };
        EXPECT_THAT(
            widget.console(),
            testing::ElementsAre("log: dragenter " + at(50, 50, files), "log: dragover " + at(60, 60, files),
                                 "log: dragleave {}", "log: dragenter " + at(50, 50, files),
                                 "log: dragover " + at(70, 70, files), "log: drop " + at(70, 70, dropped)));
    }
    VLFrameSourceFactory::setShared(nullptr);
}

TEST_F(VLWindowFileDropTest, FilesDraggedFromElsewhereFindTheHitRegionThoughTheButtonIsHeld) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_NE(widget.runtime(), nullptr);
    auto recorder = std::make_shared<VLComponentEventRecorder>();
    std::shared_ptr<VLWindow> component = shownOverlay(widget, {"dragenter", "dragleave", "drop"}, recorder);
    widget.perform([&] { component->setHitRegion(VLWindowRegion{{10, 10, 50, 30}}); });
    const VLWSWindow& platform = *component->platformWindow();
    ASSERT_TRUE(platform.ignoresMouseEvents());
    EXPECT_EQ(recorder->names(), std::vector<std::string>{"show"});
    recorder->clear();

    // The window spans (100, 700) to (300, 800) on the screen, y up; the region's rectangle lies at
    // (110, 760) to (160, 790).
    VLWSDriver& driver = VLTestWidget::driver();
    driver.beginFileDrag({"/tmp/a.txt"}, VLWSDragOperationEvery);
    const struct {
        const char* name;
        VLPoint point;
        bool ignores;
        std::vector<std::string> fired;
    } steps[] = {
        {"in the window, outside the region", {200, 750}, true, {}},
        {"into the region", {120, 780}, false, {"dragenter"}},
        {"out of it", {250, 720}, true, {"dragenter", "dragleave"}},
        {"back in", {130, 770}, false, {"dragenter", "dragleave", "dragenter"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        driver.dragTo(step.point);
        EXPECT_EQ(platform.ignoresMouseEvents(), step.ignores);
        EXPECT_EQ(recorder->names(), step.fired);
    }
    driver.drop();
    EXPECT_EQ(recorder->names(), (std::vector<std::string>{"dragenter", "dragleave", "dragenter", "drop"}));
    widget.perform([&] { component.reset(); });
}
