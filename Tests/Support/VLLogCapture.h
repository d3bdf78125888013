#pragma once

#include "Core/Engine/Log/VLSystemLog.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Captures what the log prints, under the given print mask, and restores both afterwards.
class VLLogCapture {
public:
    explicit VLLogCapture(uint64_t mask);
    ~VLLogCapture();
    VLLogCapture(const VLLogCapture&) = delete;
    VLLogCapture& operator=(const VLLogCapture&) = delete;

    // The lines so far. Any thread, also while writers write; the queued records of the engine's log
    // reach the capture only once they are flushed (VLLogFlush).
    std::vector<std::string> lines() const;

private:
    uint64_t _previousMask;
    VLSystemLogWriter _previousWriter;
    mutable std::mutex _lock; // guards _lines
    std::vector<std::string> _lines;
};
