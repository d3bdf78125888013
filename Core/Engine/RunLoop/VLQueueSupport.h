#pragma once

#include <functional>

// Hops to the main queue for code that may run on any thread.

// True when the calling code runs on the main queue.
bool VLIsMainQueue();

// Runs the block at once on the main queue; from elsewhere, posts it there (in posting order) and
// returns without waiting.
void VLExecuteOnMainQueue(std::function<void()> block);

// Runs the block at once on the main queue; from elsewhere, runs it there and waits for it. A caller
// holding something the main queue waits for deadlocks, hence the name.
void VLUnsafeExecuteOnMainQueueSync(const std::function<void()>& block);
