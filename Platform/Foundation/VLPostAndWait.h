#pragma once

#include <functional>

// Hands `block`, wrapped, to `post` (which runs it on some other thread) and waits until it has run,
// or until the wrapper was destroyed without running (a queue that drops work never hangs the caller).
void VLPostAndWait(const std::function<void(std::function<void()>)>& post,
                   const std::function<void()>& block);
