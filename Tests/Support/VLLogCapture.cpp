#include "Tests/Support/VLLogCapture.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Log/VLLogPrintAdapter.h"

// Records still queued belong to whoever logged before: they are flushed to the writer of their time, so
// that neither a capture nor the next one sees another's lines.
VLLogCapture::VLLogCapture(uint64_t mask) : _previousMask(VLLogPrintAdapter::level()) {
    VLLogFlush();
    VLLogPrintAdapter::setLevel(mask);
    _previousWriter = VLSetSystemLogWriter([this](std::string_view line) {
        std::lock_guard guard(_lock);
        _lines.emplace_back(line);
    });
}

VLLogCapture::~VLLogCapture() {
    VLLogFlush();
    VLSetSystemLogWriter(_previousWriter);
    VLLogPrintAdapter::setLevel(_previousMask);
}

std::vector<std::string> VLLogCapture::lines() const {
    std::lock_guard guard(_lock);
    return _lines;
}
