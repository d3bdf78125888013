#include "Core/Engine/Log/VLLog.h"
#include "Core/Launcher/VLLaunchPayload.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

VLValue strings(const std::optional<std::vector<std::string>>& list) {
    if (!list)
        return {};
    VLArray array(list->begin(), list->end());
    return array;
}

VLValue optionalString(const std::optional<std::string>& string) {
    return string ? VLValue(*string) : VLValue();
}

// A key, a value of the host's message that it takes, how the property reads back, and a value of a
// type it refuses.
struct KeyCase {
    const char* key;
    VLValue value;
    VLValue expected;
    std::function<VLValue(const VLLaunchPayload&)> read;
};

std::vector<KeyCase> keyCases() {
    const VLDictionary options{{"when", VLDate{1.5}}, {"list", VLArray{1, "two"}}};
    const VLDictionary digests{{"index.js", VLData(32, 7)}, {"short.js", VLData(3, 1)}};
    using P = const VLLaunchPayload&;
    return {
        {"options", options, options, [](P p) { return p.options() ? VLValue(*p.options()) : VLValue(); }},
        {"name", "weather", "weather", [](P p) { return VLValue(p.name()); }},
        {"hidesFromWebInspector", true, true, [](P p) { return VLValue(p.hidesFromWebInspector()); }},
        {"allowsNetworkAccess", 1, true, [](P p) { return VLValue(p.allowsNetworkAccess()); }},
        {"allowsAudio", true, true, [](P p) { return VLValue(p.allowsAudio()); }},
        {"allowsSystemInformation", 2.5, true, [](P p) { return VLValue(p.allowsSystemInformation()); }},
        {"allowsAppFiles", true, true, [](P p) { return VLValue(p.allowsAppFiles()); }},
        {"allowedNetworkHosts", VLArray{"a.example", "b.example"}, VLArray{"a.example", "b.example"},
         [](P p) { return strings(p.allowedNetworkHosts()); }},
        {"allowsKeyboard", true, true, [](P p) { return VLValue(p.allowsKeyboard()); }},
        {"allowsGlobalMouse", true, true, [](P p) { return VLValue(p.allowsGlobalMouse()); }},
        {"allowsKeyActivity", true, true, [](P p) { return VLValue(p.allowsKeyActivity()); }},
        {"asksForInputMonitoring", false, false, [](P p) { return VLValue(p.asksForInputMonitoring()); }},
        {"allowsSystemAudio", true, true, [](P p) { return VLValue(p.allowsSystemAudio()); }},
        {"allowsDetailedSystemAudio", true, true, [](P p) { return VLValue(p.allowsDetailedSystemAudio()); }},
        {"asksForSystemAudio", 0, false, [](P p) { return VLValue(p.asksForSystemAudio()); }},
        {"simulatesSystemAudio", true, true, [](P p) { return VLValue(p.simulatesSystemAudio()); }},
        {"allowsWindowPositions", true, true, [](P p) { return VLValue(p.allowsWindowPositions()); }},
        {"allowsFileDrops", true, true, [](P p) { return VLValue(p.allowsFileDrops()); }},
        {"restrictsWindows", true, true, [](P p) { return VLValue(p.restrictsWindows()); }},
        {"dataQuota", 1048576.0, 1048576, [](P p) { return VLValue(p.dataQuota()); }},
        {"packageDigests", digests, digests,
         [](P p) { return p.packageDigests() ? VLValue(*p.packageDigests()) : VLValue(); }},
        {"dataPath", "/data/w", "/data/w", [](P p) { return VLValue(p.dataPath()); }},
        {"messagingPackage", "app.example", "app.example",
         [](P p) { return optionalString(p.messagingPackage()); }},
        {"messagingNamespace", "ns", "ns", [](P p) { return optionalString(p.messagingNamespace()); }},
        {"volume", 0.25, 0.25, [](P p) { return VLValue(p.volume()); }},
        {"muted", true, true, [](P p) { return VLValue(p.muted()); }},
        {"mutedByUser", true, true, [](P p) { return VLValue(p.mutedByUser()); }},
        {"devicePixelRatio", 2, 2.0, [](P p) { return VLValue(p.devicePixelRatio()); }},
    };
}

} // namespace

TEST(VLLaunchPayload, ALocalPathPayloadStartsWithTheDefaults) {
    auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/packages/weather");
    EXPECT_EQ("/packages/weather", payload->localPath());
    EXPECT_EQ(1.0f, payload->volume());
    EXPECT_TRUE(payload->hostArea().isNull());
    EXPECT_TRUE(payload->asksForInputMonitoring());
    EXPECT_TRUE(payload->asksForSystemAudio());
    EXPECT_FALSE(payload->allowsNetworkAccess() || payload->allowsAudio() ||
                 payload->allowsSystemInformation() || payload->allowsAppFiles() ||
                 payload->allowsKeyboard() || payload->allowsGlobalMouse() || payload->allowsKeyActivity() ||
                 payload->allowsSystemAudio() || payload->allowsDetailedSystemAudio() ||
                 payload->allowsWindowPositions() || payload->allowsFileDrops() ||
                 payload->restrictsWindows() || payload->simulatesSystemAudio() ||
                 payload->hidesFromWebInspector() || payload->muted() || payload->mutedByUser());
    EXPECT_FALSE(payload->options() || payload->allowedNetworkHosts() || payload->widgetSizing() ||
                 payload->packageDigests() || payload->allowedWindowTypes() || payload->messagingPackage());
    EXPECT_EQ(0u, payload->dataQuota());
    EXPECT_EQ(0.0, payload->devicePixelRatio());
    EXPECT_TRUE(payload->name().empty() && payload->dataPath().empty());
    EXPECT_TRUE(payload->hostView().expired());
}

TEST(VLLaunchPayload, EveryKeyTakesItsValueAndRefusesOtherTypesWithoutChange) {
    for (const KeyCase& c : keyCases()) {
        auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/p");
        EXPECT_TRUE(payload->setValueForKey(c.key, c.value)) << c.key;
        EXPECT_EQ(c.expected, c.read(*payload)) << c.key;
        // No key takes a date; nothing may change, except that digests are never left unset.
        EXPECT_FALSE(payload->setValueForKey(c.key, VLDate{3})) << c.key;
        VLValue expected = std::string_view(c.key) == "packageDigests" ? VLValue(VLDictionary()) : c.expected;
        EXPECT_EQ(expected, c.read(*payload)) << c.key;
    }
}

TEST(VLLaunchPayload, RefusesWhatItsKeysCannotHold) {
    const std::pair<const char*, VLValue> refused[] = {
        {"allowsAudio", "yes"},
        {"allowsAudio", VLValue::null()},
        {"volume", VLArray{}},
        {"dataQuota", -1},
        {"dataQuota", 1.5},
        {"dataQuota", -0.5},
        {"dataQuota", 1e20},
        {"name", 3},
        {"options", VLArray{}},
        {"allowedNetworkHosts", VLArray{"a", 1}},
        {"allowedNetworkHosts", "a.example"},
        {"packageDigests", VLDictionary{{"index.js", "not data"}}},
        {"packageDigests", VLValue::null()},
        {"localPath", "/elsewhere"},
        {"noSuchKey", true},
    };
    for (const auto& [key, value] : refused) {
        auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/p");
        payload->setDataQuota(10);
        EXPECT_FALSE(payload->setValueForKey(key, value)) << key << " " << value.description();
        EXPECT_FALSE(payload->allowsAudio());
        EXPECT_EQ(1.0f, payload->volume());
        EXPECT_EQ(10u, payload->dataQuota());
        EXPECT_TRUE(payload->name().empty());
        EXPECT_FALSE(payload->allowedNetworkHosts());
        EXPECT_EQ("/p", payload->localPath());
    }
    // Bad digests leave every file refused instead of none checked.
    auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/p");
    payload->setValueForKey("packageDigests", "index.js");
    ASSERT_TRUE(payload->packageDigests());
    EXPECT_TRUE(payload->packageDigests()->empty());
    // Null clears an object property.
    EXPECT_TRUE(payload->setValueForKey("name", "n"));
    EXPECT_TRUE(payload->setValueForKey("name", VLValue::null()));
    EXPECT_EQ("", payload->name());
}

TEST(VLWidgetSizing, DefaultsAndCopiesEqualTheOriginal) {
    VLWidgetSizing sizing;
    EXPECT_EQ((VLSize{32, 32}), sizing.minimumSize());
    EXPECT_EQ(VLSize(), sizing.size());
    EXPECT_EQ(VLSize(), sizing.maximumSize());
    EXPECT_EQ(VLSize(), sizing.aspectRatio());
    EXPECT_FALSE(sizing.place() || sizing.start() || sizing.resizableByUser() || sizing.resizableByContent());

    sizing.setSize({300, 200});
    sizing.setMinimumSize({100, 50});
    sizing.setMaximumSize({600, 400});
    sizing.setResizableByUser(true);
    sizing.setResizableByContent(true);
    sizing.setAspectRatio({3, 2});
    sizing.setPlace(VLPoint{10, 20});
    sizing.setStart(VLPoint{-5, 7});
    VLWidgetSizing copy = sizing;
    EXPECT_EQ(sizing, copy);
    copy.setStart(std::nullopt);
    EXPECT_NE(sizing, copy);

    auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/p");
    payload->setWidgetSizing(sizing);
    EXPECT_EQ(sizing, payload->widgetSizing());
}

TEST(VLLaunchPayload, NetworkAccessWithoutDetailedSystemAudioDeniesSystemAudioAndLogsOnce) {
    struct Case {
        bool network, system, detailed, expected;
        size_t lines;
    };
    const Case cases[] = {
        {true, true, false, false, 1},  {true, true, true, true, 0},    {false, true, false, true, 0},
        {true, false, false, false, 0}, {false, false, true, false, 0},
    };
    for (const Case& c : cases) {
        auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/p");
        payload->setAllowsNetworkAccess(c.network);
        payload->setAllowsSystemAudio(c.system);
        payload->setAllowsDetailedSystemAudio(c.detailed);
        VLLogCapture log(VLLogLevelAll);
        EXPECT_EQ(c.expected, VLLaunchPayloadAllowsSystemAudio(*payload, "weather"));
        VLLogFlush();
        ASSERT_EQ(c.lines, log.lines().size());
        if (c.lines) {
            EXPECT_EQ("app.velto.engine/VLLauncher default: weather may reach the network: it doesn't get "
                      "system audio",
                      log.lines()[0]);
        }
    }
}
