#include "Tests/Support/VLLogCapture.h"

#include "Core/Engine/Log/VLLogPrintAdapter.h"

VLLogCapture::VLLogCapture(uint64_t mask) : _previousMask(VLLogPrintAdapter::level()) {
    VLLogPrintAdapter::setLevel(mask);
    _previousWriter = VLSetSystemLogWriter([this](std::string_view line) {
        std::lock_guard guard(_lock);
        _lines.emplace_back(line);
    });
}

VLLogCapture::~VLLogCapture() {
    VLSetSystemLogWriter(_previousWriter);
    VLLogPrintAdapter::setLevel(_previousMask);
}

std::vector<std::string> VLLogCapture::lines() const {
    std::lock_guard guard(_lock);
    return _lines;
}
