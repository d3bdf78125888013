#include "Supports/SystemStatus/VLSystemStatusSampler.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Supports/SystemStatus/VLMemoryPressureSource.h"
#include "Supports/SystemStatus/VLPowerSupplyEventSource.h"
#include "Supports/SystemStatus/VLSMCHwmonTransport.h"
#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"
#include "Supports/SystemStatus/VLSystemStatusProcessorReader.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Supports/SystemStatus/VLSystemStatusFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string optional(const std::optional<double>& value) {
    return value ? number(*value) : "nil";
}

// Every field but the disk's, which is the test machine's.
std::string describe(const VLSystemStatusReading& reading) {
    std::ostringstream text;
    text << "boot " << std::fixed << reading.bootTime << std::defaultfloat << "\ncpu " << reading.cpuUsage
         << " [";
    for (size_t index = 0; index < reading.coreCount(); ++index) {
        const VLSystemStatusCore core = reading.coreAtIndex(index);
        text << (index ? " " : "") << core.usage << (core.efficiency ? "E" : "P");
    }
    text << "]\nmemory " << reading.memoryTotal << " app " << reading.memoryApp << " wired "
         << reading.memoryWired << " compressed " << reading.memoryCompressed << " cached "
         << reading.memoryCached << " swap " << reading.swapUsed << " " << reading.memoryPressure
         << (reading.swapping ? " swapping" : "") << "\nnetwork " << (reading.online ? "online " : "offline ")
         << reading.networkInterface.value_or("nil") << (reading.expensive ? " expensive" : "") << " "
         << reading.received << "/" << reading.sent << " " << reading.receivedPerSecond << "/"
         << reading.sentPerSecond << "\npower " << reading.powerSource
         << (reading.hasBattery ? " battery " + number(reading.batteryLevel) : " no battery")
         << (reading.batteryCharging ? " charging" : "") << (reading.batteryFull ? " full" : "") << " empty "
         << optional(reading.timeToEmpty) << " full " << optional(reading.timeToFull) << " adapter "
         << optional(reading.adapterWatts) << " system " << optional(reading.systemWatts)
         << (reading.lowPowerMode ? " low-power" : "") << "\nthermal " << reading.thermal << " "
         << optional(reading.temperature);
    return text.str();
}

// A copy of a fixture tree that a test may change.
class Tree {
public:
    explicit Tree(const char* name) : _root(_directory / "root") {
        std::filesystem::copy(VLSystemStatusFixture(name), _root, std::filesystem::copy_options::recursive);
    }
    std::string root() const { return _root.string(); }
    void write(const std::string& path, const std::string& contents) const {
        std::filesystem::create_directories((_root / path).parent_path());
        std::ofstream(_root / path, std::ios::trunc) << contents;
    }
    void remove(const std::string& path) const { std::filesystem::remove_all(_root / path); }
    std::string read(const std::string& path) const {
        std::ifstream file(_root / path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    VLTemporaryDirectory _directory{"velto-system-status"};
    std::filesystem::path _root;
};

// A baseline at 100 s, the change, and a reading half a second later.
VLSystemStatusReading readingOf(const Tree& tree, const std::function<void()>& change = {},
                                const VLSystemStatusPath& path = {}) {
    VLSystemStatusSampler sampler(tree.root(), std::make_shared<VLSMCHwmonTransport>(tree.root()));
    sampler.smc().open();
    sampler.baseline(100);
    if (change)
        change();
    VLSystemStatusReading reading;
    reading.bootTime = VLSystemStatusProcessorReader(sampler.files()).bootTime();
    sampler.fill(reading, 100.5, path);
    return reading;
}

VLSystemStatusPath pathOf(const Tree& tree) {
    VLSystemStatusFileReader files(tree.root());
    return VLSystemStatusNetworkReader(files).path();
}

const std::string kMemory = "memory 16384000000 app 4608000000 wired 430080000 compressed 25600000 cached "
                            "5939200000 swap 512000000 ";

} // namespace

TEST(VLSystemStatusReaders, FixtureMachinesReadExactly) {
    const struct {
        const char* tree;
        std::string expected;
    } cases[] = {
        {"laptop-discharging",
         "boot 1700000040000.000000\ncpu 0 [0P 0P 0P 0P]\n" + kMemory +
             "warning\nnetwork online wifi 1000000/200000 0/0\npower battery battery 0.76 empty 120 full nil "
             "adapter nil system 12.5 low-power\nthermal nominal 51.2"},
        {"laptop-charging", "boot 1700000040000.000000\ncpu 0 [0E 0E 0P 0P 0P 0P]\n" + kMemory +
                                "normal\nnetwork online ethernet 7001000/3001000 0/0\npower ac battery 0.5 "
                                "charging empty nil full 60 "
                                "adapter 65 system 41.5\nthermal serious 61.3"},
        {"desktop", "boot 1699999980000.000000\ncpu 0 [0P 0P]\n" + kMemory +
                        "critical\nnetwork online ethernet 123456789/98765 0/0\npower ac no battery empty "
                        "nil full nil adapter "
                        "nil system nil\nthermal fair nil"},
    };
    for (const auto& test : cases) {
        const Tree tree(test.tree);
        const VLSystemStatusReading reading = readingOf(tree, {}, pathOf(tree));
        EXPECT_EQ(describe(reading), test.expected) << test.tree;
        // Whole 10^9 bytes of the volume that holds the tree.
        EXPECT_GT(reading.diskTotal, 0u);
        EXPECT_EQ(reading.diskTotal % 1000000000, 0u);
        EXPECT_LE(reading.diskAvailable, reading.diskTotal + 500000000);
    }
}

TEST(VLSystemStatusReaders, MissingAndDamagedFilesLeaveTheirFieldsAtTheDefaults) {
    const struct {
        const char* name;
        std::function<void(const Tree&)> damage;
        std::string changedLine;
    } cases[] = {
        {"no pressure stall information", [](const Tree& tree) { tree.remove("proc/pressure"); },
         kMemory + "normal"},
        // Lines up to SwapTotal are whole; SwapFree is cut in its number.
        {"a truncated meminfo",
         [](const Tree& tree) {
             const std::string whole = tree.read("proc/meminfo");
             tree.write("proc/meminfo", whole.substr(0, whole.find("SwapFree:") + 20));
         },
         "memory 16384000000 app 0 wired 0 compressed 0 cached 0 swap 0 warning"},
        {"no /sys/class/net", [](const Tree& tree) { tree.remove("sys/class/net"); },
         "network offline nil 0/0 0/0"},
        {"nothing in /proc", [](const Tree& tree) { tree.remove("proc"); },
         "memory 0 app 0 wired 0 compressed 0 cached 0 swap 0 normal"},
        {"no power supplies", [](const Tree& tree) { tree.remove("sys/class/power_supply"); },
         "power ac no battery empty nil full nil adapter nil system nil low-power"},
        {"a malformed battery",
         [](const Tree& tree) {
             tree.write("sys/class/power_supply/BAT0/capacity", "seventy\n");
             tree.write("sys/class/power_supply/BAT0/time_to_empty_now", "");
             tree.write("sys/class/power_supply/BAT0/power_now", "-5");
         },
         "power battery battery 0 empty nil full nil adapter nil system nil low-power"},
    };
    for (const auto& test : cases) {
        const Tree tree("laptop-discharging");
        test.damage(tree);
        const std::string description = describe(readingOf(tree, {}, pathOf(tree)));
        EXPECT_NE(description.find("\n" + test.changedLine + "\n"), std::string::npos) << test.name << "\n"
                                                                                       << description;
    }
}

TEST(VLSystemStatusReaders, ProcessorKindsComeFromTheHybridListElseFromCapacities) {
    const struct {
        const char* name;
        std::function<void(const Tree&)> setUp;
        std::string cores;
    } cases[] = {
        {"a hybrid processor", [](const Tree&) {}, "[0E 0E 0P 0P 0P 0P]"},
        {"capacities below the highest",
         [](const Tree& tree) {
             tree.remove("sys/devices/cpu_atom");
             for (int cpu = 0; cpu < 6; ++cpu)
                 tree.write("sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpu_capacity",
                            cpu % 2 ? "1024\n" : "446\n");
         },
         "[0E 0E 0E 0P 0P 0P]"},
        {"no topology", [](const Tree& tree) { tree.remove("sys/devices"); }, "[0P 0P 0P 0P 0P 0P]"},
    };
    for (const auto& test : cases) {
        const Tree tree("laptop-charging");
        test.setUp(tree);
        EXPECT_NE(describe(readingOf(tree)).find("cpu 0 " + test.cores), std::string::npos) << test.name;
    }
}

TEST(VLSystemStatusReaders, ProcessorLoadMatchesCountersByProcessorNumber) {
    const Tree tree("laptop-discharging");
    // cpu3's counters are 6 busy ticks below a 32-bit wrap.
    tree.write("proc/stat", "cpu0 1000 0 500 4000 100 0 25 0 0 0\n"
                            "cpu1 1000 0 500 4000 100 0 25 0 0 0\n"
                            "cpu2 1000 0 500 4000 100 0 25 0 0 0\n"
                            "cpu3 4294966765 0 0 4000 100 0 0 0 0 0\n");
    // cpu0 is busy 3 ticks of 4, cpu1 1 of 4, cpu2 went offline (its line is gone, and the others keep
    // their own counters), cpu3 wrapped: 10 of 20.
    const VLSystemStatusReading reading = readingOf(tree, [&] {
        tree.write("proc/stat", "cpu0 1002 0 501 4001 100 0 25 0 0 0\n"
                                "cpu1 1000 0 500 4003 100 0 25 1 0 0\n"
                                "cpu3 4294966775 0 0 4010 100 0 0 0 0 0\n");
    });
    ASSERT_EQ(reading.coreCount(), 4u);
    const double usages[] = {0.75, 0.25, 0.0, 0.5};
    for (size_t core = 0; core < 4; ++core)
        EXPECT_EQ(reading.coreAtIndex(core).usage, usages[core]) << "cpu" << core;
    EXPECT_EQ(reading.cpuUsage, 0.5);
}

TEST(VLSystemStatusInterfaceBytes, CountersThatRestartOrWrapAddWhatTheyGained) {
    using Bytes = VLSystemStatusInterfaceBytes;
    const struct {
        const char* name;
        uint64_t oldValue, newValue;
        bool exact;
        uint64_t delta;
    } cases[] = {
        {"growth", 1000, 1500, true, 500},
        {"a counter reset adds its new value", 5000000, 1200, true, 1200},
        {"a 32-bit wrap", 4294967000, 200, false, 496},
        {"a small drop is a reset even at 32 bits", 4000, 1000, false, 1000},
        {"64-bit counters never wrap at 32 bits", 4294967000, 200, true, 200},
        {"a value above 32 bits is no wrap", 5000000000, 200, false, 200},
    };
    for (const auto& test : cases)
        EXPECT_EQ(Bytes::delta(test.oldValue, test.newValue, test.exact, test.exact), test.delta)
            << test.name;

    Bytes bytes;
    bytes.sample({{2, {1000, 100, true}}}, 10, false);
    EXPECT_EQ(bytes.received(), 1000u);
    // A new interface adds its whole counters once; the old one restarted.
    bytes.sample({{2, {300, 150, true}}, {5, {700, 50, true}}}, 12, true);
    EXPECT_EQ(bytes.received(), 2000u);
    EXPECT_EQ(bytes.sent(), 200u);
    EXPECT_EQ(bytes.receivedPerSecond(), 500.0);
    EXPECT_EQ(bytes.sentPerSecond(), 50.0);
    // An interface that went away adds nothing.
    bytes.sample({{5, {900, 50, true}}}, 14, true);
    EXPECT_EQ(bytes.received(), 2200u);
    EXPECT_EQ(bytes.receivedPerSecond(), 100.0);
}

TEST(VLSystemStatusReaders, TheNetworkPathNeedsADefaultRouteThroughAnInterfaceThatIsUp) {
    const struct {
        const char* name;
        std::function<void(const Tree&)> change;
        VLSystemStatusPath path;
    } cases[] = {
        {"Wi-Fi", [](const Tree&) {}, {true, "wifi", false}},
        {"the interface is down",
         [](const Tree& tree) { tree.write("sys/class/net/wlan0/operstate", "down\n"); },
         {}},
        {"the interface is not up",
         [](const Tree& tree) { tree.write("sys/class/net/wlan0/flags", "0x1002\n"); },
         {}},
        {"no default route",
         [](const Tree& tree) {
             tree.write("proc/net/route", "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n");
         },
         {}},
        {"a default route through the loopback",
         [](const Tree& tree) {
             tree.write("proc/net/route", "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                          "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n");
         },
         {}},
        {"a mobile broadband modem",
         [](const Tree& tree) {
             tree.remove("sys/class/net/wlan0/wireless");
             tree.write("sys/class/net/wlan0/uevent", "DEVTYPE=wwan\nINTERFACE=wlan0\n");
         },
         {true, "cellular", false}},
        {"a tunnel",
         [](const Tree& tree) {
             tree.remove("sys/class/net/wlan0/wireless");
             tree.write("sys/class/net/wlan0/type", "65534\n");
         },
         {true, "other", false}},
        {"a route naming a folder outside /sys/class/net",
         [](const Tree& tree) {
             tree.write("proc/net/route", "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                          "..\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n");
         },
         {}},
    };
    for (const auto& test : cases) {
        const Tree tree("laptop-discharging");
        test.change(tree);
        EXPECT_EQ(pathOf(tree), test.path) << test.name;
    }
}

TEST(VLSystemStatusChangeSources, PowerSupplyEventsAreTheOnesOfTheirSubsystem) {
    using namespace std::string_literals;
    EXPECT_TRUE(VLPowerSupplyEventSource::isPowerSupplyEvent(
        "change@/devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0\0ACTION=change\0SUBSYSTEM=power_supply\0"s));
    EXPECT_FALSE(VLPowerSupplyEventSource::isPowerSupplyEvent(
        "add@/devices/virtual/net/veth0\0ACTION=add\0SUBSYSTEM=net\0POWER=power_supply\0"s));
    EXPECT_FALSE(VLPowerSupplyEventSource::isPowerSupplyEvent("SUBSYSTEM=power_supply_x"s));
    EXPECT_FALSE(VLPowerSupplyEventSource::isPowerSupplyEvent(""));
}

TEST(VLSystemStatusChangeSources, APressureTriggerIsNeverWrittenIntoAFixture) {
    const Tree tree("laptop-discharging");
    const std::string before = tree.read("proc/pressure/memory");
    auto queue = VLDispatchQueue::create("app.velto.test.pressure");
    VLMemoryPressureSource source(tree.root());
    source.start(queue, [] {});
    source.stop();
    EXPECT_EQ(tree.read("proc/pressure/memory"), before);
}
