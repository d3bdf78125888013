#include "Supports/SystemStatus/VLSystemStatusProcessorReader.h"

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

// "cpuN user nice system idle iowait irq softirq steal ...": older kernels give fewer columns.
std::optional<VLProcessorTicks> parseTicks(std::string_view line) {
    if (!line.starts_with("cpu") || line.size() < 4 || line[3] < '0' || line[3] > '9')
        return std::nullopt;
    line.remove_prefix(3);
    std::optional<uint64_t> number = VLSystemStatusNextUnsigned(line);
    uint64_t columns[8] = {};
    int count = 0;
    for (; count < 8; ++count) {
        std::optional<uint64_t> value = VLSystemStatusNextUnsigned(line);
        if (!value)
            break;
        columns[count] = *value;
    }
    if (!number || *number > UINT32_MAX || count < 4)
        return std::nullopt;
    const auto [user, nice, system, idle, iowait, irq, softirq, steal] = columns;
    const uint64_t busy = user + nice + system + irq + softirq + steal;
    return VLProcessorTicks{uint32_t(*number), uint32_t(busy), uint32_t(busy + idle + iowait)};
}

// A CPU list such as "0-3,8,10-11".
std::set<uint32_t> parseList(std::string_view text) {
    std::set<uint32_t> numbers;
    text = VLSystemStatusTrimmed(text);
    while (!text.empty()) {
        size_t taken = 0;
        uint64_t first = VLSystemStatusParseUnsigned(text, &taken);
        if (taken == 0)
            return {};
        text.remove_prefix(taken);
        uint64_t last = first;
        if (!text.empty() && text.front() == '-') {
            text.remove_prefix(1);
            last = VLSystemStatusParseUnsigned(text, &taken);
            if (taken == 0 || last < first || last - first > 65536)
                return {};
            text.remove_prefix(taken);
        }
        for (uint64_t number = first; number <= last && number <= UINT32_MAX; ++number)
            numbers.insert(uint32_t(number));
        if (!text.empty() && text.front() == ',')
            text.remove_prefix(1);
        else if (!text.empty())
            return {};
    }
    return numbers;
}

} // namespace

std::optional<std::vector<VLProcessorTicks>> VLSystemStatusProcessorReader::ticks() const {
    std::optional<std::string> stat = _files.text("/proc/stat");
    if (!stat)
        return std::nullopt;
    std::vector<VLProcessorTicks> ticks;
    VLSystemStatusForEachLine(*stat, [&](std::string_view line) {
        if (std::optional<VLProcessorTicks> processor = parseTicks(line))
            ticks.push_back(*processor);
    });
    return ticks;
}

std::vector<bool> VLSystemStatusProcessorReader::efficiencyFlags(const std::vector<uint32_t>& numbers) const {
    std::vector<bool> flags(numbers.size(), false);
    if (std::optional<std::string> atoms = _files.line("/sys/devices/cpu_atom/cpus")) {
        std::set<uint32_t> efficient = parseList(*atoms);
        for (size_t index = 0; index < numbers.size(); ++index)
            flags[index] = efficient.contains(numbers[index]);
        return flags;
    }
    std::vector<std::optional<int64_t>> capacities;
    for (uint32_t number : numbers)
        capacities.push_back(
            _files.integer("/sys/devices/system/cpu/cpu" + std::to_string(number) + "/cpu_capacity"));
    std::optional<int64_t> highest;
    for (const std::optional<int64_t>& capacity : capacities) {
        if (capacity && (!highest || *capacity > *highest))
            highest = capacity;
    }
    for (size_t index = 0; index < numbers.size(); ++index)
        flags[index] = capacities[index] && *capacities[index] < *highest;
    return flags;
}

std::vector<VLProcessorKind> VLSystemStatusProcessorReader::topology() const {
    std::vector<uint32_t> numbers;
    if (std::optional<std::vector<VLProcessorTicks>> processors = ticks();
        processors && !processors->empty()) {
        for (const VLProcessorTicks& processor : *processors)
            numbers.push_back(processor.number);
    } else {
        long online = ::sysconf(_SC_NPROCESSORS_ONLN);
        for (long number = 0; number < std::max(online, 1L); ++number)
            numbers.push_back(uint32_t(number));
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<bool> efficiency = efficiencyFlags(numbers);
    std::vector<VLProcessorKind> kinds;
    for (bool efficient : {true, false}) {
        for (size_t index = 0; index < numbers.size(); ++index) {
            if (efficiency[index] == efficient)
                kinds.push_back({numbers[index], efficient});
        }
    }
    return kinds;
}

double VLSystemStatusProcessorReader::bootTime() const {
    std::optional<std::string> stat = _files.text("/proc/stat");
    if (!stat)
        return 0;
    std::optional<int64_t> seconds;
    VLSystemStatusForEachLine(*stat, [&](std::string_view line) {
        if (line.starts_with("btime "))
            seconds = VLSystemStatusParseInteger(line.substr(6));
    });
    if (!seconds || *seconds <= 0)
        return 0;
    // std::round rounds halves away from zero.
    return std::round(double(*seconds) / 60) * 60 * 1000;
}
