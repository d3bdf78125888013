#pragma once

#include <functional>

// Hands `block`, wrapped, to `post` (which runs it on some other thread) and waits until it has run.
// The waiting state lives on the caller's stack; it is signalled under its lock, so the caller cannot
// return and destroy it while the running thread still touches it.
void VLPostAndWait(const std::function<void(std::function<void()>)>& post,
                   const std::function<void()>& block);
