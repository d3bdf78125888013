#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// A window of another process, as the window server knows it. A value.
struct VLWSForeignWindow {
    // Given by the window server when the window is added; unique among all windows of the process's
    // server, its own included.
    int64_t number = 0;
    pid_t ownerPID = 0;
    std::string ownerName = {};
    std::string name = {};
    int32_t level = 0;
    // Global coordinates, y up.
    VLRect frame = {};
    double alpha = 1;
    // Covers what lies below it while its alpha is 1.
    bool isOpaque = true;

    friend bool operator==(const VLWSForeignWindow&, const VLWSForeignWindow&) = default;
};
