#pragma once

#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLManualClock.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

// The scheduler of tests and of the window server's manual mode: it keeps the blocks it is given and
// runs them only when advance() moves its clock past their deadlines, in deadline order (equal deadlines
// in the order given), on the thread that calls advance(), with the clock set to each deadline in turn.
// Blocks scheduled meanwhile take part if they fall due within the advance.
class VLManualDelayScheduler final : public VLDelayScheduler {
public:
    explicit VLManualDelayScheduler(std::shared_ptr<VLManualClock> clock = std::make_shared<VLManualClock>())
        : _clock(std::move(clock)) {}

    std::shared_ptr<VLDelayedBlock> after(double seconds, GMainContext* context, Block block) override;
    std::shared_ptr<VLDelayedBlock> after(double seconds, const std::shared_ptr<VLDispatchQueue>& queue,
                                          Block block) override;

    const std::shared_ptr<VLManualClock>& clock() const { return _clock; }

    // Negative and NaN amounts count as 0, which runs what is due now.
    void advance(double seconds);
    // The delays of the blocks still waiting (neither run nor cancelled), in deadline order.
    std::vector<double> pendingDelays() const;
    size_t pendingCount() const { return pendingDelays().size(); }

private:
    struct Entry {
        double delay;
        std::shared_ptr<VLDelayedBlock> block;
    };

    std::shared_ptr<VLDelayedBlock> schedule(double seconds, Block block);

    const std::shared_ptr<VLManualClock> _clock;
    mutable std::mutex _lock; // guards the two members below; any thread
    // By deadline in nanoseconds, then by order of scheduling.
    std::map<std::pair<uint64_t, uint64_t>, Entry> _pending;
    uint64_t _sequence = 0;
};
