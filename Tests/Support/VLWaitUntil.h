#pragma once

#include <chrono>
#include <functional>

// Polls the condition every millisecond until it holds or the limit has passed, and says whether it
// held. The limit only keeps a broken test from hanging; it is no timing assertion.
bool VLWaitUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(20000));
