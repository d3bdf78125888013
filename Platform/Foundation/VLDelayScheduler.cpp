#include "Platform/Foundation/VLDelayScheduler.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLReplaceable.h"
#include "Platform/Foundation/VLTimerfdQueue.h"

#include <chrono>
#include <cmath>

namespace {

// Delays are capped at a year: far enough for any rule, and safe to add to a clock reading.
int64_t microsecondsOf(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<int64_t>(std::ceil(std::min(seconds, 365.0 * 86400.0) * 1e6));
}

uint64_t nanosecondsOf(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<uint64_t>(std::llround(std::min(seconds, 365.0 * 86400.0) * 1e9));
}

gboolean dispatchDelayedBlock(GSource*, GSourceFunc, gpointer data) {
    (*static_cast<std::shared_ptr<VLDelayedBlock>*>(data))->run();
    return G_SOURCE_REMOVE;
}

GSourceFuncs delayedBlockSourceFuncs = {nullptr, nullptr, dispatchDelayedBlock, nullptr, nullptr, nullptr};

class VLSystemDelayScheduler final : public VLDelayScheduler {
public:
    std::shared_ptr<VLDelayedBlock> after(double seconds, GMainContext* context, Block block) override {
        auto delayed = std::make_shared<VLDelayedBlock>(std::move(block));
        if (!context)
            context = g_main_context_default();
        if (const std::shared_ptr<VLTimerfdQueue> queue = VLTimerfdQueue::forContext(context)) {
            queue->add(nanosecondsOf(seconds), delayed);
            return delayed;
        }
        // Without a timerfd (none left to the process): a source with a ready time in microseconds; it holds
        // the block until it fires or is destroyed.
        GSource* source = g_source_new(&delayedBlockSourceFuncs, sizeof(GSource));
        g_source_set_name(source, "VLDelayedBlock");
        g_source_set_ready_time(source, g_get_monotonic_time() + microsecondsOf(seconds));
        g_source_set_callback(
            source, nullptr, new std::shared_ptr<VLDelayedBlock>(delayed),
            [](gpointer data) { delete static_cast<std::shared_ptr<VLDelayedBlock>*>(data); });
        std::shared_ptr<GSource> held(g_source_ref(source), g_source_unref);
        g_source_attach(source, context);
        g_source_unref(source);
        // Destroying the source (from any thread) wakes nobody later for a block called off.
        delayed->setCanceller([held] { g_source_destroy(held.get()); });
        return delayed;
    }

    std::shared_ptr<VLDelayedBlock> after(double seconds, const std::shared_ptr<VLDispatchQueue>& queue,
                                          Block block) override {
        auto delayed = std::make_shared<VLDelayedBlock>(std::move(block));
        // A queue's delayed block cannot be withdrawn: when called off it still falls due, and does nothing.
        queue->after(std::chrono::microseconds(microsecondsOf(seconds)), [delayed] { delayed->run(); });
        return delayed;
    }
};

VLReplaceable<VLDelayScheduler> sharedScheduler;

} // namespace

const std::shared_ptr<VLDelayScheduler>& VLDelayScheduler::system() {
    return VLReplaceableDefault<VLDelayScheduler, VLSystemDelayScheduler>();
}

std::shared_ptr<VLDelayScheduler> VLDelayScheduler::shared() {
    return sharedScheduler.get(system());
}

void VLDelayScheduler::setShared(std::shared_ptr<VLDelayScheduler> scheduler) {
    sharedScheduler.set(std::move(scheduler));
}
