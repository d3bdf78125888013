#include "Tests/Support/VLLogCapture.h"

#include "Core/Engine/Log/VLLogPrintAdapter.h"

VLLogCapture::VLLogCapture(uint64_t mask) : _previousMask(VLLogPrintAdapter::level()) {
    VLLogPrintAdapter::setLevel(mask);
    _previousWriter = VLSetSystemLogWriter([this](std::string_view line) { _lines.emplace_back(line); });
}

VLLogCapture::~VLLogCapture() {
    VLSetSystemLogWriter(_previousWriter);
    VLLogPrintAdapter::setLevel(_previousMask);
}
