#pragma once

#include <functional>

// The process's pool for blocking work that must not hold up a serial queue or a run loop: name
// resolution, and checks that resolve. Blocks may run at the same time as one another and in any
// order. Workers are made as work needs them, up to a small limit, and sleep while there is none.
// Any thread may post.
class VLGlobalQueue final {
public:
    using Block = std::function<void()>;

    VLGlobalQueue() = delete;

    static void async(Block block);
};
