#pragma once

#include "Platform/WindowServer/VLWSWindowListEntry.h"

#include <vector>

// The window numbers of a window list, in its order.
inline std::vector<int64_t> VLWSWindowNumbersOf(const std::vector<VLWSWindowListEntry>& entries) {
    std::vector<int64_t> numbers;
    for (const auto& entry : entries)
        numbers.push_back(entry.number);
    return numbers;
}
