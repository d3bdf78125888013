#include "Modules/Network/VLBroadcastBacklog.h"

#include "Core/Engine/Log/VLLog.h"
#include "Modules/Network/VLBroadcastMessage.h"

#include <utility>

VLBroadcastBacklog::Admission VLBroadcastBacklog::admit(Delivery delivery) {
    const uint64_t size = delivery.message->size();
    bool logs = false;
    {
        std::lock_guard lock(_lock);
        if (_deliveries.size() < kMaximumCount && _backlogSize + size <= kMaximumSize) {
            _deliveries.push_back(std::move(delivery));
            _backlogSize += size;
            return std::exchange(_batchUnderWay, true) ? Admission::queued : Admission::startsBatch;
        }
        logs = !std::exchange(_droppedMessages, true);
    }
    if (logs)
        VLLogDefault("VLNetworkJSBinding",
                     "Dropping BroadcastChannel messages: the content's thread doesn't keep up with them");
    return Admission::dropped;
}

size_t VLBroadcastBacklog::count() {
    std::lock_guard lock(_lock);
    return _deliveries.size();
}

std::optional<VLBroadcastBacklog::Delivery> VLBroadcastBacklog::next() {
    std::lock_guard lock(_lock);
    if (_deliveries.empty())
        return std::nullopt;
    Delivery delivery = std::move(_deliveries.front());
    _deliveries.pop_front();
    _backlogSize -= delivery.message->size();
    if (_deliveries.empty())
        _droppedMessages = false;
    return delivery;
}

bool VLBroadcastBacklog::continuesBatch() {
    std::lock_guard lock(_lock);
    _batchUnderWay = !_deliveries.empty();
    return _batchUnderWay;
}
