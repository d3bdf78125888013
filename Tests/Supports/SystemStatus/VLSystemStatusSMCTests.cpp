#include "Supports/SystemStatus/VLSystemStatusSMC.h"

#include "Core/Engine/Log/VLLog.h"
#include "Supports/SystemStatus/VLSMCHwmonTransport.h"
#include "Supports/SystemStatus/VLSystemStatusSMCFunctions.h"
#include "Tests/Support/VLFakeSMCTransport.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Supports/SystemStatus/VLSystemStatusFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using Key = VLFakeSMCTransport::Key;

VLSMCKeyRecord record(const char* key, const char* type, uint32_t size) {
    return {VLFourCharCode(key), VLFourCharCode(type), size};
}

std::string names(const std::vector<VLSMCKeyRecord>& records) {
    std::string text;
    for (const VLSMCKeyRecord& record : records)
        text += (text.empty() ? "" : " ") + VLFourCharCodeString(record.key);
    return text;
}

const std::string kLogPrefix = "app.velto.engine/VLSystemStatusMonitor info: ";

} // namespace

TEST(VLSystemStatusSMCFunctions, TemperatureKeysComeFromTheFirstRuleThatKeepsAny) {
    const struct {
        const char* name;
        std::vector<VLSMCKeyRecord> keys;
        std::string chosen;
    } cases[] = {
        {"rule 1 before rule 3",
         {record("TC0P", "sp78", 2), record("Tp01", "flt ", 4), record("Te05", "flt ", 4),
          record("TpXX", "sp78", 2)},
         "Tp01 Te05"},
        {"rule 2 before rule 3",
         {record("TC0P", "sp78", 2), record("TC1C", "sp78", 2), record("TC0D", "flt ", 4)},
         "TC1C"},
        {"rule 3",
         {record("TC0P", "sp78", 2), record("TC0E", "flt ", 4), record("TC0F", "sp78", 4)},
         "TC0P TC0E"},
        {"no rule", {record("TA0P", "sp78", 2), record("TCXC", "flt ", 4), record("Tp00", "ui32", 4)}, ""},
    };
    for (const auto& test : cases)
        EXPECT_EQ(names(VLSystemStatusTemperatureKeys(test.keys.data(), test.keys.size())), test.chosen)
            << test.name;
}

TEST(VLSystemStatusSMCFunctions, TemperaturesDecodeAndAverageToOneDecimal) {
    const uint8_t sp78[] = {0x2A, 0x80};
    EXPECT_EQ(VLSystemStatusSMCTemperature(VLFourCharCode("sp78"), 2, sp78), 42.5);
    const float value = 61.25f;
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    EXPECT_EQ(VLSystemStatusSMCTemperature(VLFourCharCode("flt "), 4, bytes), 61.25);
    EXPECT_TRUE(std::isnan(VLSystemStatusSMCTemperature(VLFourCharCode("sp78"), 4, bytes)));
    EXPECT_TRUE(std::isnan(VLSystemStatusSMCTemperature(VLFourCharCode("ui16"), 2, sp78)));

    const std::vector<double> plausible = {9.9, 45.04, 45.16}, implausible = {NAN, 150.0, INFINITY};
    EXPECT_EQ(VLSystemStatusAverageTemperature(plausible.data(), plausible.size()), 45.1);
    EXPECT_EQ(VLSystemStatusAverageTemperature(implausible.data(), implausible.size()), std::nullopt);
    const std::vector<double> bounds = {10.0, 130.0, 130.05};
    EXPECT_EQ(VLSystemStatusAverageTemperature(bounds.data(), bounds.size()), 70.0);
}

TEST(VLSystemStatusSMCFunctions, TelemetryGivesWattsOnlyForPlausibleValues) {
    auto telemetry = [](std::initializer_list<std::pair<const char*, VLValue>> entries) {
        VLDictionary dictionary;
        for (const auto& [key, value] : entries)
            dictionary.set(key, value);
        return VLValue(dictionary);
    };
    const struct {
        VLValue telemetry;
        bool onBattery;
        std::optional<double> watts;
    } cases[] = {
        {telemetry({{"SystemPowerIn", 30000}, {"BatteryPower", 5000}}), false, 25.0},
        {telemetry({{"SystemPowerIn", 30000}, {"BatteryPower", -5000}}), false, 30.0},
        {telemetry({{"SystemPowerIn", 30000}}), false, 30.0},
        {telemetry({{"SystemPowerIn", 100}, {"SystemLoad", 12000}}), true, std::nullopt},
        {telemetry({{"SystemPowerIn", 0}, {"SystemLoad", 12500}}), true, 12.5},
        {telemetry({{"SystemPowerIn", 0}}), true, std::nullopt},
        {telemetry({{"SystemLoad", 12500}}), true, std::nullopt},
        {telemetry({{"SystemPowerIn", 5000}, {"BatteryPower", 5000}}), false, std::nullopt},
        {telemetry({{"SystemPowerIn", 1000001}}), false, std::nullopt},
        {telemetry({{"SystemPowerIn", 1000000}}), false, 1000.0},
        {telemetry({{"SystemPowerIn", "30000"}}), false, std::nullopt},
        {VLValue(VLArray{}), false, std::nullopt},
        {VLValue(), true, std::nullopt},
    };
    for (size_t index = 0; index < std::size(cases); ++index)
        EXPECT_EQ(VLSystemStatusTelemetryWatts(cases[index].telemetry, cases[index].onBattery),
                  cases[index].watts)
            << "case " << index;
}

TEST(VLSystemStatusSMC, ReadsTheChosenKeysAndThePowerKey) {
    auto transport = std::make_shared<VLFakeSMCTransport>(std::vector<Key>{
        VLFakeSMCTransport::sp78Key("TC0P", 0x2A, 0x80), VLFakeSMCTransport::sp78Key("TC1C", 0x30, 0x00),
        VLFakeSMCTransport::sp78Key("TC2C", 0x28, 0x00), VLFakeSMCTransport::sp78Key("TC3C", 0xFF, 0x00),
        VLFakeSMCTransport::floatKey("PSTR", 1000.0f), VLFakeSMCTransport::floatKey("FNum", 2)});
    VLLogCapture capture(VLLogFlagInfo);
    VLSystemStatusSMC smc(transport);
    smc.open();
    EXPECT_TRUE(smc.isOpen());
    EXPECT_EQ(names(smc.temperatureKeys()), "TC1C TC2C TC3C");
    // 48 and 40 °C; −1 °C is not plausible.
    EXPECT_EQ(smc.temperature(), 44.0);
    transport->failingReads = {"TC1C"};
    EXPECT_EQ(smc.temperature(), 40.0);
    transport->failingReads = {"TC1C", "TC2C"};
    EXPECT_EQ(smc.temperature(), std::nullopt);
    EXPECT_EQ(smc.systemWatts(), 1000.0);
    smc.close();
    EXPECT_EQ(smc.temperature(), std::nullopt);
    EXPECT_EQ(smc.systemWatts(), std::nullopt);
    VLLogFlush();
    EXPECT_EQ(
        capture.lines(),
        std::vector<std::string>{kLogPrefix + "The processor's temperature from 3 SMC keys: TC1C TC2C TC3C"});
}

TEST(VLSystemStatusSMC, TheDrawnPowerCountsOnlyAbove0AndUpTo1000Watts) {
    for (auto [watts, expected] : {std::pair<float, std::optional<double>>(0.0f, std::nullopt),
                                   std::pair<float, std::optional<double>>(1000.5f, std::nullopt),
                                   std::pair<float, std::optional<double>>(NAN, std::nullopt),
                                   std::pair<float, std::optional<double>>(1000.0f, 1000.0)}) {
        VLSystemStatusSMC smc(std::make_shared<VLFakeSMCTransport>(
            std::vector<Key>{VLFakeSMCTransport::floatKey("PSTR", watts)}));
        smc.open();
        EXPECT_EQ(smc.systemWatts(), expected) << watts;
    }
}

TEST(VLSystemStatusSMC, ListsAtMost10000KeysByIndex) {
    auto transport =
        std::make_shared<VLFakeSMCTransport>(std::vector<Key>{VLFakeSMCTransport::floatKey("Tp00", 50)});
    transport->keyCount = 12000;
    VLSystemStatusSMC smc(transport);
    smc.open();
    EXPECT_EQ(transport->calls(kVLSMCKeyByIndex), 10000);
    EXPECT_EQ(names(smc.temperatureKeys()), "Tp00");
    // Later openings reuse the list.
    smc.close();
    smc.open();
    EXPECT_EQ(transport->calls(kVLSMCKeyByIndex), 10000);
}

TEST(VLSystemStatusSMC, LogsWhyItGivesUpOnceAndTheMissingPowerKeyAtEachOpening) {
    const std::string tail =
        "no temperature, and what the Mac draws comes from the battery's telemetry, if it has one";
    const std::string noPower = kLogPrefix + "The SMC has no PSTR as a float: what the Mac draws comes from "
                                             "the battery's telemetry, if it has one";
    const struct {
        const char* name;
        bool hasService;
        int openError;
        std::vector<Key> keys;
        bool unavailable;
        std::vector<std::string> lines;
    } cases[] = {
        {"no service", false, 0, {}, true, {kLogPrefix + "No SMC: " + tail}},
        {"a failed opening", true, 0x2c5, {}, true, {kLogPrefix + "Can't open the SMC (0x2c5): " + tail}},
        {"neither power nor temperature",
         true,
         0,
         {},
         true,
         // The log leaves out the space after the colon, with nothing after it.
         {noPower, kLogPrefix + "The processor's temperature from 0 SMC keys:"}},
        {"temperatures only",
         true,
         0,
         {VLFakeSMCTransport::floatKey("Tp00", 50)},
         false,
         {noPower, kLogPrefix + "The processor's temperature from 1 SMC keys: Tp00", noPower}},
    };
    for (const auto& test : cases) {
        auto transport = std::make_shared<VLFakeSMCTransport>(test.keys);
        transport->hasService = test.hasService;
        transport->openError = test.openError;
        VLLogCapture capture(VLLogFlagInfo);
        VLSystemStatusSMC smc(transport);
        for (int opening = 0; opening < 2; ++opening) {
            smc.open();
            smc.close();
        }
        VLLogFlush();
        EXPECT_EQ(smc.isUnavailable(), test.unavailable) << test.name;
        EXPECT_EQ(capture.lines(), test.lines) << test.name;
    }
}

TEST(VLSMCHwmonTransport, PresentsProcessorSensorsAndThePowerMeter) {
    const struct {
        const char* tree;
        std::string keys;
        std::optional<double> temperature;
        std::optional<double> watts;
    } cases[] = {
        // coretemp's temp1, temp2 and temp10 in numeric order; the ACPI zone's sensor is not the processor's.
        {"laptop-discharging", "Tp00 Tp01 Tp02", 51.2, std::nullopt},
        {"laptop-charging", "Tp00", 61.3, 41.5},
    };
    for (const auto& test : cases) {
        VLSystemStatusSMC smc(
            std::make_shared<VLSMCHwmonTransport>(VLSystemStatusFixture(test.tree).string()));
        smc.open();
        EXPECT_EQ(names(smc.temperatureKeys()), test.keys) << test.tree;
        EXPECT_EQ(smc.temperature(), test.temperature) << test.tree;
        EXPECT_EQ(smc.systemWatts(), test.watts) << test.tree;
    }
    // What the cases logged is not the desktop's.
    VLLogFlush();
    VLLogCapture capture(VLLogFlagInfo);
    VLSystemStatusSMC smc(std::make_shared<VLSMCHwmonTransport>(VLSystemStatusFixture("desktop").string()));
    smc.open();
    VLLogFlush();
    EXPECT_TRUE(smc.isUnavailable());
    EXPECT_EQ(capture.lines().size(), 1u);
    EXPECT_TRUE(capture.lines().at(0).starts_with(kLogPrefix + "No SMC: ")) << capture.lines().at(0);
}
