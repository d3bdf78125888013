#include "Modules/System/VLSystemAudioReading.h"

#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLClock.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

// A refresh due within this much of its time is taken now, so that a reader on a 30 Hz beat never
// skips a period.
constexpr double kReadingSlack = 0.002;
constexpr double kReadingPeriod = 1.0 / 30;

std::mutex readingRegistryLock; // guards readingRegistry; any thread
std::map<std::string, std::weak_ptr<VLSystemAudioReading>> readingRegistry;

} // namespace

std::shared_ptr<VLSystemAudioReading> VLSystemAudioReading::readingOfRuntime(const VLRuntime& runtime) {
    const double now = VLClock::shared()->seconds();
    const std::optional<std::string> package = runtime.messagingPackage();
    const std::optional<std::string> space = runtime.messagingNamespace();
    if (!package)
        return std::make_shared<VLSystemAudioReading>(now);
    const std::string key = space ? "namespace\n" + *space : "package\n" + *package;
    std::lock_guard lock(readingRegistryLock);
    std::erase_if(readingRegistry, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<VLSystemAudioReading>& held = readingRegistry[key];
    std::shared_ptr<VLSystemAudioReading> reading = held.lock();
    if (!reading) {
        reading = std::make_shared<VLSystemAudioReading>(now);
        held = reading;
    }
    return reading;
}

VLSystemAudioSnapshot
VLSystemAudioReading::snapshot(double now, const std::function<void(VLSystemAudioSnapshot&)>& refresh) {
    std::lock_guard lock(_lock);
    if (now >= _next - kReadingSlack) {
        refresh(_snapshot);
        _next = std::max(now - kReadingSlack + kReadingPeriod, _next + kReadingPeriod);
    }
    return _snapshot;
}
