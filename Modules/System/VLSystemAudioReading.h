#pragma once

#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"

#include <functional>
#include <limits>
#include <memory>
#include <mutex>

class VLRuntime;

// The spectrum that non-detailed readers of one package (or messaging namespace) share: refreshed at
// most about 30 times a second, so that every runtime of the package reads the same values in a period.
// Any thread; several runtimes on their own threads read one reading.
class VLSystemAudioReading final {
public:
    // The reading of the runtime's messaging namespace, else of its messaging package, else a private
    // one. Readings are kept by those who use them (each runtime's binding); the registry holds them weakly.
    static std::shared_ptr<VLSystemAudioReading> readingOfRuntime(const VLRuntime& runtime);

    // `now` in clock seconds; the synthetic spectrum's time counts from startTime().
    explicit VLSystemAudioReading(double now) : _startTime(now) {}
    double startTime() const { return _startTime; }

    // The shared snapshot, refreshed through `refresh` first when its period is over.
    VLSystemAudioSnapshot snapshot(double now, const std::function<void(VLSystemAudioSnapshot&)>& refresh);

private:
    std::mutex _lock; // guards the two members below
    VLSystemAudioSnapshot _snapshot;
    double _next = -std::numeric_limits<double>::infinity();
    const double _startTime;
};
