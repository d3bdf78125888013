#pragma once

#include "Platform/Foundation/VLDelayedBlock.h"

#include <glib.h>

#include <functional>
#include <memory>

class VLDispatchQueue;

// Runs blocks after a delay on a thread of the caller's choice. Every delay that a rule depends on goes
// through the process's scheduler, so tests can put VLManualDelayScheduler in its place, read the delays
// asked for and fire them without waiting. Any thread may schedule.
class VLDelayScheduler {
public:
    using Block = std::function<void()>;

    virtual ~VLDelayScheduler() = default;

    // On the thread that iterates `context` (nullptr: the main queue's default context). Negative and
    // NaN delays count as 0.
    virtual std::shared_ptr<VLDelayedBlock> after(double seconds, GMainContext* context, Block block) = 0;
    // On the queue.
    virtual std::shared_ptr<VLDelayedBlock>
    after(double seconds, const std::shared_ptr<VLDispatchQueue>& queue, Block block) = 0;

    // The real scheduler, on GLib sources and the queues' own delays.
    static const std::shared_ptr<VLDelayScheduler>& system();
    // The process's scheduler: the real one unless a test put another in its place.
    static std::shared_ptr<VLDelayScheduler> shared();
    // nullptr brings back the real scheduler.
    static void setShared(std::shared_ptr<VLDelayScheduler> scheduler);
};
