#include "Tools/velto/VLToolWaiting.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLManager.h"
#include "Platform/Foundation/VLMainQueue.h"

#include <glib.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// What the engines get past the time-out to end in order before the process ends regardless.
constexpr std::chrono::milliseconds kEndingGrace{500};

// The status the alarm ends the process with; read in the signal handler, hence lock-free.
std::atomic<int> gVLToolEndingStatus{0};
static_assert(std::atomic<int>::is_always_lock_free);
// When the alarm rings; main thread.
VLToolWaiting::Deadline gVLToolEndingMoment;

// Ends the process with the ending status when the moment comes, whatever still runs or waits then.
void exitAt(VLToolWaiting::Deadline moment) {
    gVLToolEndingMoment = moment;
    struct sigaction action = {};
    action.sa_handler = [](int) { _exit(gVLToolEndingStatus.load()); };
    sigaction(SIGALRM, &action, nullptr);
    const auto remaining = std::max<std::chrono::microseconds>(
        std::chrono::ceil<std::chrono::microseconds>(moment - std::chrono::steady_clock::now()),
        std::chrono::microseconds(1));
    itimerval timer = {};
    timer.it_value.tv_sec = remaining.count() / 1000000;
    timer.it_value.tv_usec = remaining.count() % 1000000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

bool VLToolWaiting::runMainQueueUntil(const std::function<bool()>& finished, Deadline deadline) {
    auto passed = std::make_shared<bool>(false); // the main queue's
    VLMainQueue::after(deadline - std::chrono::steady_clock::now(), [passed] { *passed = true; });
    GMainContext* context = g_main_context_default();
    bool done;
    while (!(done = finished()) && !*passed)
        g_main_context_iteration(context, TRUE);
    return done;
}

bool VLToolWaiting::runMainQueueUntilIdle(const std::shared_ptr<VLJSEngine>& engine, Deadline deadline,
                                          bool settling) {
    for (;;) {
        auto idle = std::make_shared<bool>(false); // the main queue's
        const uint64_t blocksBefore = VLMainQueue::blocksRun();
        // The engine wakes this waiter only when its pending work ends.
        std::thread waiter([engine, deadline, idle, settling] {
            if (engine->waitUntilIdle(deadline, settling))
                VLMainQueue::async([idle] { *idle = true; });
        });
        const bool done = runMainQueueUntil([&] { return *idle; }, deadline);
        waiter.join();
        if (!done)
            return false;
        runMainQueueWhileReady();
        // A main-queue block that ran besides the answer (view changes of a layout, say) may have handed
        // the engine more after it went idle: only a round with nothing else ends the wait.
        if (VLMainQueue::blocksRun() - blocksBefore == 1)
            return true;
    }
}

void VLToolWaiting::runMainQueueWhileReady() {
    while (g_main_context_iteration(g_main_context_default(), FALSE)) {
    }
}

void VLToolWaiting::begin(Deadline deadline) {
    exitAt(deadline + kEndingGrace);
}

void VLToolWaiting::allowAtLeast(std::chrono::milliseconds time) {
    const Deadline moment = std::chrono::steady_clock::now() + time;
    if (moment > gVLToolEndingMoment)
        exitAt(moment);
}

void VLToolWaiting::setEndingStatus(int status) {
    gVLToolEndingStatus = status;
}

void VLToolWaiting::end(Deadline deadline) {
    VLRunLoopThread::waitUntilAllFinished(deadline + kEndingGrace - std::chrono::steady_clock::now());
    // What scripts stored is on the disk before the process goes.
    VLManager::flushStorage();
    VLLogFlush();
}
