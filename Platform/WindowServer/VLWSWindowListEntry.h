#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// Which windows a window-list read gives, with the platform's option values.
enum VLWSWindowListOption : uint32_t {
    VLWSWindowListOptionAll = 0,
    VLWSWindowListOptionOnScreenOnly = 1 << 0,
    VLWSWindowListOptionIncludingWindow = 1 << 3,
};

// One window as the window list describes it to any process.
struct VLWSWindowListEntry {
    int64_t number = 0;
    int32_t level = 0;
    pid_t ownerPID = 0;
    std::string ownerName;
    // The window's title.
    std::string name;
    // Global coordinates with the origin at the top-left corner of the primary screen, y down.
    VLRect bounds;
    double alpha = 1;
    // Ordered in, whether or not anything covers it.
    bool isOnScreen = false;

    friend bool operator==(const VLWSWindowListEntry&, const VLWSWindowListEntry&) = default;
};
