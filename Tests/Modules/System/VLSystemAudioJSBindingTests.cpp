#include "Modules/System/VLSystemAudioJSBinding.h"

#include "Core/Launcher/Services/VLSystemAudioSource.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/SystemAudio/VLSystemAudioMonitor.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Supports/SystemAudio/VLFakeSystemAudioBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

class QuietSource final : public VLSystemAudioSource {
public:
    void systemAudioWantedDidChange(bool, bool) override {}
    void systemAudioAccessShouldBeRechecked() override {}
};

// Widgets of one package, reading snapshots that the test hands in through a source, on a manual clock.
class VLSystemAudioJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLClock::setShared(_scheduler->clock());
        _monitor =
            VLSystemAudioMonitor::create({std::make_shared<VLFakeSystemAudioBackend>(), _scheduler->clock(),
                                          _scheduler, std::make_shared<VLUserDefaults>(), "test"});
        _monitor->setSource(std::make_shared<QuietSource>());
        VLSystemAudioMonitor::setShared(_monitor);
    }
    void TearDown() override {
        VLSystemAudioMonitor::setShared(nullptr);
        VLClock::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    static std::unique_ptr<VLTestWidget> launch() {
        return std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", ""}},
                                              [](VLLocalPathLaunchPayload& payload) {
                                                  payload.setAllowsSystemAudio(true);
                                                  payload.setMessagingPackage("app.example.widgets");
                                              });
    }

    // Bands 0..127 rising from -70 dB by `step` dB each.
    void hand(double step) {
        for (int band = 0; band < 128; ++band)
            _snapshot.bands[band] = float(std::pow(10.0, (-70 + band * step) / 10));
        _monitor->receiveFrame(VLSystemAudioFrameFromSnapshot(_snapshot), std::nullopt, true, false);
    }

    static std::vector<double> bands(VLTestWidget& widget, const std::string& arguments) {
        std::istringstream text(widget.evaluate(arguments));
        std::vector<double> values;
        for (std::string value; std::getline(text, value, ',');)
            values.push_back(std::stod(value));
        return values;
    }

    std::shared_ptr<VLManualDelayScheduler> _scheduler =
        std::make_shared<VLManualDelayScheduler>(std::make_shared<VLManualClock>(uint64_t(1000e9)));
    std::shared_ptr<VLSystemAudioMonitor> _monitor;
    VLSystemAudioSnapshot _snapshot;
};

constexpr const char* kFourBands =
    "(() => { const four = new Float32Array(4); Velto.systemAudio.bandCount = 32; "
    "Velto.systemAudio.getBands(four); return Array.from(four).join(); })()";

} // namespace

TEST_F(VLSystemAudioJSBindingTest, FourBandsAreTheFirstOfA32BandReduction) {
    std::unique_ptr<VLTestWidget> widget = launch();
    ASSERT_TRUE(widget->runtime());
    hand(0.5);
    float expected[32];
    VLSystemAudioMergeBands(_snapshot, expected, 32, true);
    const std::vector<double> four = bands(*widget, kFourBands);
    ASSERT_EQ(four.size(), 4u);
    for (int band = 0; band < 4; ++band)
        EXPECT_EQ(four[band], double(expected[band])) << band;
}

TEST_F(VLSystemAudioJSBindingTest, WidgetsOfOnePackageShareTheirBandsFor1Over30Seconds) {
    std::unique_ptr<VLTestWidget> first = launch(), second = launch();
    ASSERT_TRUE(first->runtime() && second->runtime());
    hand(0.5);
    const std::vector<double> before = bands(*first, kFourBands);
    hand(0.25);
    EXPECT_EQ(bands(*second, kFourBands), before) << "the same period";
    _scheduler->clock()->advance(1.0 / 30 - 0.002);
    EXPECT_NE(bands(*second, kFourBands), before) << "the next period";
    EXPECT_EQ(bands(*first, kFourBands), bands(*second, kFourBands));
}

TEST_F(VLSystemAudioJSBindingTest, ActivityFromTheSourceReachesActiveChangeHandlers) {
    std::unique_ptr<VLTestWidget> widget = launch();
    ASSERT_TRUE(widget->runtime());
    widget->evaluate("globalThis.log = []; Velto.systemAudio.onactivechange = () => "
                     "log.push(String(Velto.systemAudio.active)); ''");
    _monitor->flush();
    widget->settle();
    hand(0.5);
    _monitor->flush();
    widget->settle();
    EXPECT_EQ(widget->evaluate("log.join()"), "true");
    _monitor->receiveFrame(VLSystemAudioFrameFromSnapshot(_snapshot), std::nullopt, false, false);
    _monitor->flush();
    widget->settle();
    EXPECT_EQ(widget->evaluate("log.join()"), "true,false");
    widget->evaluate("Velto.systemAudio.offactivechange(); ''");
    hand(0.5);
    _monitor->flush();
    widget->settle();
    EXPECT_EQ(widget->evaluate("log.join()"), "true,false") << "no handler, no event";
}
