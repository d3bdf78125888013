#include "Modules/Network/VLBroadcastAllowance.h"

#include <algorithm>

bool VLBroadcastAllowance::take(double now, uint64_t size) {
    const double elapsed = _allowanceTime > 0 ? now - _allowanceTime : 0;
    _allowanceTime = now;
    _messageAllowance = std::min(kMessagesPerSecond, _messageAllowance + elapsed * kMessagesPerSecond);
    _byteAllowance = std::min(kBytesPerSecond, _byteAllowance + elapsed * kBytesPerSecond);
    if (_messageAllowance < 1 || static_cast<double>(size) > _byteAllowance)
        return false;
    _messageAllowance -= 1;
    _byteAllowance -= static_cast<double>(size);
    return true;
}
