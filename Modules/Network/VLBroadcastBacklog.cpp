#include "Modules/Network/VLBroadcastBacklog.h"

#include "Core/Engine/Log/VLLog.h"

#include <algorithm>
#include <utility>

bool VLBroadcastBacklog::admit(uint64_t size) {
    bool logs = false;
    {
        std::lock_guard lock(_lock);
        if (_backlogCount < kMaximumCount && _backlogSize + size <= kMaximumSize) {
            ++_backlogCount;
            _backlogSize += size;
            return true;
        }
        logs = !std::exchange(_droppedMessages, true);
    }
    if (logs)
        VLLogDefault("VLNetworkJSBinding",
                     "Dropping BroadcastChannel messages: the content's thread doesn't keep up with them");
    return false;
}

void VLBroadcastBacklog::release(uint64_t size) {
    std::lock_guard lock(_lock);
    _backlogCount -= _backlogCount > 0 ? 1 : 0;
    _backlogSize -= std::min(size, _backlogSize);
    if (_backlogCount == 0)
        _droppedMessages = false;
}
