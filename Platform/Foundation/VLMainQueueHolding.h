#pragma once

#include <functional>

// Lets a thread that runs many short pieces of work (a run-loop thread's turns) hold what it posts to the
// main queue and hand it over as one block, so that the main thread wakes once for a piece of work, not
// once a block. The blocks keep their order, and run on the main thread as if posted one by one.
//
// Each call concerns the calling thread only. A holder hands over at the end of each piece of work and
// before it waits, for the main thread or for anything that may wait on it: a sync post, a delayed post
// and VLPostAndWait hand over by themselves.
class VLMainQueueHolding final {
public:
    VLMainQueueHolding() = delete;

    static void begin();
    static void handOver();
    // Hands over what is held, and holds no more.
    static void end();

    // Takes the block when the calling thread holds; for VLMainQueue::async.
    static bool hold(std::function<void()>& block);
};
