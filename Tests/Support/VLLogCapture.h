#pragma once

#include "Core/Engine/Log/VLSystemLog.h"

#include <cstdint>
#include <string>
#include <vector>

// Captures what the log prints, under the given print mask, and restores both afterwards.
class VLLogCapture {
public:
    explicit VLLogCapture(uint64_t mask);
    ~VLLogCapture();
    VLLogCapture(const VLLogCapture&) = delete;
    VLLogCapture& operator=(const VLLogCapture&) = delete;

    // Written by the writer under the system log's lock; read once the writers are done (VLLogFlush).
    const std::vector<std::string>& lines() const { return _lines; }

private:
    uint64_t _previousMask;
    VLSystemLogWriter _previousWriter;
    std::vector<std::string> _lines;
};
