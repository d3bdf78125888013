#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSKeyTaps.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class VLWSKeyTapTest : public VLWindowServerTest {
protected:
    VLWSDriver& driver() { return server().driver(); }

    // A tap that writes what it hears into the log.
    std::shared_ptr<VLWSKeyTap> makeTap() {
        return server().keyTaps().createTap([this](VLWSKeyTap::Happening happening, const VLWSEvent* event) {
            if (happening == VLWSKeyTap::Happening::DisabledByTimeout)
                log.push_back("timed out");
            else
                log.push_back(std::string(event->type() == VLWSEventType::KeyDown ? "down " : "up ") +
                              std::to_string(event->keyCode()) + (event->isARepeat() ? " repeat" : ""));
        });
    }

    std::vector<std::string> log;
};

} // namespace

TEST_F(VLWSKeyTapTest, OnlyGrantedAccessMakesATapAndARequestChangesNothing) {
    EXPECT_EQ(server().keyTaps().access(), VLWSListenAccess::Unknown);
    server().keyTaps().requestAccess();
    server().keyTaps().requestAccess();
    EXPECT_EQ(server().keyTaps().accessRequestCount(), 2u);
    EXPECT_EQ(server().keyTaps().access(), VLWSListenAccess::Unknown);
    EXPECT_EQ(makeTap(), nullptr);

    driver().setListenAccess(VLWSListenAccess::Denied);
    EXPECT_EQ(makeTap(), nullptr);

    driver().setListenAccess(VLWSListenAccess::Granted);
    driver().setKeyTapCreationFails(true);
    EXPECT_EQ(makeTap(), nullptr);
    driver().setKeyTapCreationFails(false);
    EXPECT_NE(makeTap(), nullptr);
}

TEST_F(VLWSKeyTapTest, AnEnabledTapHearsEveryKeyWhereverItGoesUntilInvalidated) {
    driver().setListenAccess(VLWSListenAccess::Granted);
    std::shared_ptr<VLWSKeyTap> tap = makeTap();
    ASSERT_NE(tap, nullptr);
    driver().typeKey(1, "s"); // made disabled: nothing
    tap->setEnabled(true);

    // With no key window the keys go elsewhere; with one, to it: the tap hears both.
    driver().keyDown(2, "d", 0, true);
    auto window = std::make_shared<VLWSRecordingWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskTitled);
    window->makeKeyAndOrderFront();
    driver().typeKey(3, "f");
    tap->invalidate();
    driver().typeKey(4, "g");

    EXPECT_EQ(log, (std::vector<std::string>{"down 2 repeat", "down 3", "up 3"}));
    EXPECT_EQ(server().keyTaps().liveTapCount(), 0u);
}

TEST_F(VLWSKeyTapTest, ATimeOutDisablesTheTapAndTellsItOnce) {
    driver().setListenAccess(VLWSListenAccess::Granted);
    std::shared_ptr<VLWSKeyTap> tap = makeTap();
    tap->setEnabled(true);
    driver().timeOutKeyTaps();
    driver().timeOutKeyTaps();
    driver().typeKey(5, "h");
    EXPECT_FALSE(tap->isEnabled());
    tap->setEnabled(true);
    driver().typeKey(6, "j");
    EXPECT_EQ(log, (std::vector<std::string>{"timed out", "down 6", "up 6"}));
}

TEST_F(VLWSKeyTapTest, TheAppearanceStartsFromTheDefaultsAndObserversHearChanges) {
    VLUserDefaults::standard().setObject("AppleInterfaceStyle", "Dark");
    VLWindowServer dark;
    VLUserDefaults::standard().setObject("AppleInterfaceStyle", VLValue());
    VLWindowServer light;
    EXPECT_EQ(dark.appearance().effectiveAppearance(), VLWSAppearance::Name::DarkAqua);
    EXPECT_EQ(light.appearance().effectiveAppearance(), VLWSAppearance::Name::Aqua);

    std::vector<VLWSAppearance::Name> heard;
    const uint64_t key =
        server().appearance().addObserver([&](VLWSAppearance::Name name) { heard.push_back(name); }, true);
    driver().setAppearance(VLWSAppearance::Name::DarkAqua);
    driver().setAppearance(VLWSAppearance::Name::DarkAqua);
    server().appearance().removeObserver(key);
    driver().setAppearance(VLWSAppearance::Name::Aqua);
    EXPECT_EQ(heard, (std::vector<VLWSAppearance::Name>{VLWSAppearance::Name::Aqua,
                                                        VLWSAppearance::Name::DarkAqua}));
}
