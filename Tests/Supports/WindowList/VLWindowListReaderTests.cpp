#include "Supports/WindowList/VLWindowListReader.h"

#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Supports/WindowList/VLWindowListMonitor.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Reads the test's machine, naming windows by the labels they were added under.
class VLWindowListReaderTest : public VLWindowServerTest {
public: // for the cases' machines
    VLWSDriver& driver() { return server().driver(); }

    void launch(pid_t pid, std::string bundleIdentifier) {
        ASSERT_TRUE(driver().launchApplication({pid, std::move(bundleIdentifier), "App"}));
    }
    // `frame` in top-left global coordinates.
    void add(const std::string& label, pid_t pid, VLRect frame, int32_t level = VLWSNormalWindowLevel,
             double alpha = 1) {
        const int64_t number = driver().addWindow(
            {.ownerPID = pid, .level = level, .frame = server().snapshot()->flip(frame), .alpha = alpha});
        ASSERT_NE(number, 0) << label;
        labels[uint32_t(number)] = label;
    }
    // Each window as its label and flags; "void" for a void read.
    std::vector<std::string> read(const std::set<pid_t>& related = {}) {
        translucency.clear();
        const auto entries = reader.read(*server().snapshot(), getpid(), related, &translucency);
        if (!entries)
            return {"void"};
        std::vector<std::string> described;
        for (const auto& entry : *entries)
            described.push_back(labels[entry.windowID()] + (entry.isActiveApp() ? " active" : "") +
                                (entry.isFullScreen() ? " fullscreen" : "") +
                                (entry.isFloating() ? " floating" : ""));
        return described;
    }
    std::map<std::string, double> translucentLabels() {
        std::map<std::string, double> named;
        for (const auto& [id, alpha] : translucency)
            named[labels[id]] = alpha;
        return named;
    }

    VLWindowListReader reader;
    VLWindowListReader::Translucency translucency;
    std::map<uint32_t, std::string> labels;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(VLWindowListReaderTest, KeepsOrdinaryWindowsOfOtherAppsFrontToBack) {
    const struct {
        const char* name;
        std::function<void(VLWindowListReaderTest&)> machine;
        Strings expected;
    } cases[] = {
        {"40 by 40 is listed, 39.9 wide is not",
         [](auto& t) {
             t.add("square", 100, {100, 100, 40, 40});
             t.add("narrow", 100, {300, 100, 39.9, 40});
             t.add("short", 100, {500, 100, 40, 39.9});
         },
         {"square"}},
        {"a system app's floating window is skipped, its normal window kept; others float",
         [](auto& t) {
             t.launch(200, "com.apple.controlcenter");
             t.add("panel", 200, {0, 0, 300, 300}, VLWSFloatingWindowLevel);
             t.add("settings", 200, {0, 400, 300, 300});
             t.add("palette", 100, {400, 0, 300, 300}, VLWSFloatingWindowLevel);
         },
         {"palette floating", "settings"}},
        {"this process, the desktop and levels from the dock up are skipped",
         [](auto& t) {
             t.add("own", getpid(), {0, 0, 300, 300});
             t.add("dock", 100, {0, 800, 1440, 100}, VLWSDockWindowLevel);
             t.add("menu", 100, {0, 0, 300, 300}, VLWSDockWindowLevel + 1);
             t.add("below", 100, {0, 0, 300, 300}, VLWSNormalWindowLevel - 1);
             t.add("kept", 100, {0, 0, 300, 300});
         },
         {"kept"}},
        {"a split-view window is full screen; a floating one never is",
         [](auto& t) {
             t.add("left half", 100, {0, 22, 720, 878});
             t.add("above the bottom", 100, {720, 22, 720, 877});
             t.add("too far down", 100, {720, 61, 720, 839});
             t.add("floating", 100, {0, 0, 1440, 900}, VLWSFloatingWindowLevel);
         },
         {"floating floating", "too far down", "above the bottom", "left half fullscreen"}},
        {"not once the desktop is shown",
         [](auto& t) {
             t.launch(300, "com.example.finder");
             t.driver().addDesktop(300);
             t.add("left half", 100, {0, 22, 720, 878});
         },
         {"left half"}},
        {"a system app's dock-level window covering a display voids the read",
         [](auto& t) {
             t.launch(200, "com.apple.dock");
             t.add("kept", 100, {0, 0, 300, 300});
             t.add("cover", 200, {-10, -10, 1460, 920}, VLWSDockWindowLevel);
         },
         {"void"}},
        {"another app's covering dock-level window does not",
         [](auto& t) {
             t.launch(200, "com.example.player");
             t.add("kept", 100, {0, 0, 300, 300});
             t.add("cover", 200, {0, 0, 1440, 900}, VLWSDockWindowLevel);
         },
         {"kept"}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        TearDown();
        SetUp();
        labels.clear();
        reader.forgetAll();
        launch(100, "com.example.editor");
        testCase.machine(*this);
        EXPECT_EQ(read(), testCase.expected);
    }
}

TEST_F(VLWindowListReaderTest, HalfTransparentWindowsAreListedAndTranslucentOnesRecorded) {
    add("half", 100, {0, 0, 100, 100}, VLWSNormalWindowLevel, 0.5);
    add("fading", 100, {0, 200, 100, 100}, VLWSNormalWindowLevel, 0.49);
    add("opaque", 100, {0, 400, 100, 100});
    EXPECT_EQ(read(), (Strings{"opaque", "half"}));
    EXPECT_EQ(translucentLabels(), (std::map<std::string, double>{{"half", 0.5}, {"fading", 0.49}}));
}

TEST_F(VLWindowListReaderTest, AProcessWithoutABundleIdentifierIsTheSystemsUntilAskedAgainAfter5s) {
    add("floating", 300, {0, 0, 100, 100}, VLWSFloatingWindowLevel);
    EXPECT_EQ(read(), Strings{});
    launch(300, "com.example.late");
    server().clock().advance(4.9);
    EXPECT_EQ(read(), Strings{});
    server().clock().advance(0.1);
    EXPECT_EQ(read(), Strings{"floating floating"});
}

TEST_F(VLWindowListReaderTest, RelatedProcessesAreSkippedAndAnEmptySetClearsThem) {
    add("host", 400, {0, 0, 100, 100});
    add("other", 100, {0, 200, 100, 100});
    VLWindowListMonitor::setRelatedProcessIdentifiers({400});
    EXPECT_EQ(VLWindowListMonitor::relatedProcessIdentifiers(), std::set<pid_t>{400});
    EXPECT_EQ(read(VLWindowListMonitor::relatedProcessIdentifiers()), Strings{"other"});
    VLWindowListMonitor::setRelatedProcessIdentifiers({});
    EXPECT_EQ(VLWindowListMonitor::relatedProcessIdentifiers(), std::set<pid_t>{});
    EXPECT_EQ(read(VLWindowListMonitor::relatedProcessIdentifiers()), (Strings{"other", "host"}));
}

TEST_F(VLWindowListReaderTest, TheActiveAppFollowsActivation) {
    launch(100, "com.example.mail");
    launch(200, "com.example.notes");
    add("notes", 200, {0, 0, 100, 100});
    add("mail", 100, {0, 200, 100, 100});
    EXPECT_EQ(read(), (Strings{"mail", "notes"}));
    driver().activateApplication(100);
    EXPECT_EQ(read(), (Strings{"mail active", "notes"}));
    driver().activateApplication(200);
    EXPECT_EQ(read(), (Strings{"mail", "notes active"}));
    driver().activateApplication(getpid());
    EXPECT_EQ(read(), (Strings{"mail", "notes"}));
}

TEST(VLWindowListEntryTests, EqualityHashAndDescription) {
    const VLWindowListEntry entry(7, {10.5, -20, 300, 200}, true, false, true);
    EXPECT_EQ(entry, VLWindowListEntry(7, {10.5, -20, 300, 200}, true, false, true));
    EXPECT_NE(entry, VLWindowListEntry(7, {10.5, -20, 300, 200}, true, true, true));
    EXPECT_NE(entry, entry.withFrame({10.5, -20, 300, 201}));
    EXPECT_EQ(entry.hash(), size_t(7 ^ (uint64_t(10) << 8) ^ (uint64_t(-20) << 20)));
    EXPECT_EQ(entry.description(), "<VLWindowListEntry 7 {{10.5, -20}, {300, 200}} active floating>");
    EXPECT_EQ(VLWindowListEntry(8, {0, 0, 40, 40}, false, true, false).description(),
              "<VLWindowListEntry 8 {{0, 0}, {40, 40}} fullscreen>");
    // Far off screen or not a number, the hash stays defined.
    const VLWindowListEntry far(9, {1e300, -1e300, 1, 1}, false, false, false);
    const VLWindowListEntry nan(9, {NAN, NAN, 1, 1}, false, false, false);
    EXPECT_EQ(far.hash(), far.hash());
    EXPECT_EQ(nan.hash(), size_t(9));
}
