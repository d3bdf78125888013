#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"

#include <memory>
#include <string_view>

// A new lock of its own.
std::shared_ptr<VLUnfairLock> VLCreateFastLock();

// The process-wide lock for a key: every caller asking for the same key while someone still holds
// its lock gets that same lock. Once the last holder lets it go, the table forgets the key, and the
// next caller gets a new lock. Callable from any thread.
std::shared_ptr<VLUnfairLock> VLGetResourceLock(std::string_view key);
