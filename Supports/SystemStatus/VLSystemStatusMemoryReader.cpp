#include "Supports/SystemStatus/VLSystemStatusMemoryReader.h"

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <charconv>
#include <map>
#include <string_view>

namespace {

// "Key:   123 kB" lines: the values of the keys in kB, in bytes.
std::map<std::string_view, uint64_t, std::less<>> kilobyteLines(std::string_view text) {
    std::map<std::string_view, uint64_t, std::less<>> values;
    VLSystemStatusForEachLine(text, [&](std::string_view line) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return;
        std::string_view rest = line.substr(colon + 1);
        std::optional<uint64_t> value = VLSystemStatusNextUnsigned(rest);
        if (value && VLSystemStatusTrimmed(rest) == "kB" && *value <= UINT64_MAX / 1024)
            values.emplace(line.substr(0, colon), *value * 1024);
    });
    return values;
}

// The sum of the keys' values, when every key is there.
template <typename... Keys>
std::optional<uint64_t> sum(const std::map<std::string_view, uint64_t, std::less<>>& values, Keys... keys) {
    uint64_t total = 0;
    for (std::string_view key : {std::string_view(keys)...}) {
        auto found = values.find(key);
        if (found == values.end())
            return std::nullopt;
        total += found->second;
    }
    return total;
}

// a − b, not below 0, when both are there.
std::optional<uint64_t> difference(std::optional<uint64_t> a, std::optional<uint64_t> b) {
    if (!a || !b)
        return std::nullopt;
    return *a > *b ? *a - *b : 0;
}

// The avg10 of a "some avg10=0.00 avg60=…" line.
std::optional<double> average10(std::string_view line) {
    constexpr std::string_view key = "avg10=";
    size_t at = line.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(at + key.size());
    double value = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc() || end == rest.data())
        return std::nullopt;
    return value;
}

} // namespace

VLSystemStatusMemory VLSystemStatusMemoryReader::memory() const {
    VLSystemStatusMemory memory;
    std::optional<std::string> text = _files.text("/proc/meminfo");
    if (!text)
        return memory;
    const auto values = kilobyteLines(*text);
    memory.total = sum(values, "MemTotal");
    memory.app = sum(values, "AnonPages", "Shmem");
    memory.wired = sum(values, "Unevictable", "KernelStack", "PageTables", "SUnreclaim");
    memory.compressed = sum(values, "Zswap");
    memory.cached = difference(sum(values, "Buffers", "Cached"), sum(values, "Shmem"));
    memory.swapUsed = difference(sum(values, "SwapTotal"), sum(values, "SwapFree"));
    return memory;
}

std::optional<uint64_t> VLSystemStatusMemoryReader::swapOuts() const {
    std::optional<std::string> text = _files.text("/proc/vmstat");
    std::optional<uint64_t> pages;
    if (text) {
        VLSystemStatusForEachLine(*text, [&](std::string_view line) {
            if (line.starts_with("pswpout ")) {
                line.remove_prefix(8);
                pages = VLSystemStatusNextUnsigned(line);
            }
        });
    }
    return pages;
}

std::optional<std::string> VLSystemStatusMemoryReader::pressure() const {
    std::optional<std::string> text = _files.text("/proc/pressure/memory");
    if (!text)
        return std::nullopt;
    std::optional<double> some, full;
    VLSystemStatusForEachLine(*text, [&](std::string_view line) {
        if (line.starts_with("some "))
            some = average10(line);
        else if (line.starts_with("full "))
            full = average10(line);
    });
    if (!some && !full)
        return std::nullopt;
    if (full.value_or(0) >= 10 || some.value_or(0) >= 40)
        return "critical";
    return some.value_or(0) >= 10 ? "warning" : "normal";
}
