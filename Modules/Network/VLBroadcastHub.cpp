#include "Modules/Network/VLBroadcastHub.h"

#include "Core/Launcher/Services/VLBroadcastTransport.h"
#include "Modules/Network/VLBroadcastMessage.h"
#include "Modules/Network/VLBroadcastReceiver.h"
#include "Modules/Network/VLBroadcastRemoteSender.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kAnnouncedPrefix = "namespace\n";

} // namespace

VLBroadcastHub& VLBroadcastHub::sharedHub() {
    static VLBroadcastHub* hub = new VLBroadcastHub(); // outlives every caller at exit
    return *hub;
}

bool VLBroadcastHub::isAnnouncedKey(std::string_view key) {
    return key.starts_with(kAnnouncedPrefix);
}

// Receivers

void VLBroadcastHub::addReceiver(const std::shared_ptr<VLBroadcastReceiver>& receiver,
                                 const std::string& key) {
    if (!receiver)
        return;
    bool first = false;
    {
        std::lock_guard lock(_lock);
        std::vector<Entry>& entries = _receivers[key];
        first = entries.empty();
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const Entry& entry) { return entry.identity == receiver.get(); });
        if (same != entries.end())
            same->receiver = receiver; // a receiver that left by dying, at the same address
        else
            entries.push_back({receiver.get(), receiver});
    }
    if (first)
        _announceKey(key);
}

bool VLBroadcastHub::eraseLocked(const VLBroadcastReceiver* receiver,
                                 std::map<std::string, std::vector<Entry>>::iterator found) {
    std::vector<Entry>& entries = found->second;
    std::erase_if(entries, [&](const Entry& entry) { return entry.identity == receiver; });
    if (!entries.empty())
        return false;
    _receivers.erase(found);
    return true;
}

void VLBroadcastHub::removeReceiver(const VLBroadcastReceiver* receiver, const std::string& key) {
    bool emptied = false;
    {
        std::lock_guard lock(_lock);
        const auto found = _receivers.find(key);
        if (found == _receivers.end())
            return;
        emptied = eraseLocked(receiver, found);
    }
    if (emptied)
        _announceKey(key);
}

void VLBroadcastHub::removeReceiver(const VLBroadcastReceiver* receiver) {
    std::vector<std::string> emptied;
    {
        std::lock_guard lock(_lock);
        for (auto found = _receivers.begin(); found != _receivers.end();) {
            const auto next = std::next(found);
            std::string key = found->first;
            if (eraseLocked(receiver, found))
                emptied.push_back(std::move(key));
            found = next;
        }
    }
    for (const std::string& key : emptied)
        _announceKey(key);
}

// Transport

std::shared_ptr<VLBroadcastTransport> VLBroadcastHub::transport() const {
    std::lock_guard lock(_lock);
    return _transport;
}

void VLBroadcastHub::setTransport(std::shared_ptr<VLBroadcastTransport> transport) {
    std::lock_guard announcing(_announceLock);
    std::vector<std::string> keys;
    std::shared_ptr<VLBroadcastTransport> previous; // let go of outside the lock
    {
        std::lock_guard lock(_lock);
        previous = std::exchange(_transport, transport);
        for (const auto& [key, entries] : _receivers) {
            if (isAnnouncedKey(key))
                keys.push_back(key);
        }
    }
    if (!transport)
        return;
    for (const std::string& key : keys)
        transport->broadcastKey(key, true);
}

void VLBroadcastHub::_announceKey(const std::string& key) {
    if (!isAnnouncedKey(key))
        return;
    std::lock_guard announcing(_announceLock);
    std::shared_ptr<VLBroadcastTransport> transport;
    bool listening = false;
    {
        std::lock_guard lock(_lock);
        transport = _transport;
        listening = _receivers.contains(key);
    }
    if (transport)
        transport->broadcastKey(key, listening);
}

// Messages

void VLBroadcastHub::postMessage(const std::shared_ptr<VLBroadcastMessage>& message, const std::string& key,
                                 const VLBroadcastReceiver* sender, bool toSender, double sourceId,
                                 double newestId) {
    std::shared_ptr<VLBroadcastTransport> transport = isAnnouncedKey(key) ? this->transport() : nullptr;
    if (!transport || !transport->carriesMessagesForKey(key)) {
        _deliver(message, key, sender, toSender, sourceId, newestId);
        return;
    }
    // Written before the receivers here may take the buffers away.
    const VLData data = message->transportData();
    _deliver(message, key, sender, toSender, sourceId, newestId);
    transport->sendBroadcastMessage(data, key);
}

void VLBroadcastHub::receiveTransportedMessage(std::span<const uint8_t> data, const std::string& key) {
    if (!isAnnouncedKey(key))
        return;
    const std::shared_ptr<VLBroadcastMessage> message = VLBroadcastMessage::messageWithTransportData(data);
    if (!message || message->scope() != "namespace" || !key.ends_with("\n" + message->name()))
        return;
    _deliver(message, key, VLBroadcastRemoteSender::shared().get(), false, -1, -1);
}

void VLBroadcastHub::_deliver(const std::shared_ptr<VLBroadcastMessage>& message, const std::string& key,
                              const VLBroadcastReceiver* sender, bool toSender, double sourceId,
                              double newestId) {
    std::vector<std::shared_ptr<VLBroadcastReceiver>> snapshot;
    bool emptied = false;
    {
        std::lock_guard lock(_lock);
        const auto found = _receivers.find(key);
        if (found != _receivers.end()) {
            std::vector<Entry>& entries = found->second;
            // Receivers gone without leaving are pruned here.
            std::erase_if(entries, [&](const Entry& entry) {
                if (!toSender && entry.identity == sender)
                    return entry.receiver.expired();
                // Kept to the end of the delivery, so that no receiver is destroyed under the lock.
                std::shared_ptr<VLBroadcastReceiver> receiver = entry.receiver.lock();
                if (!receiver)
                    return true;
                snapshot.push_back(std::move(receiver));
                return false;
            });
            if (entries.empty()) {
                _receivers.erase(found);
                emptied = true;
            }
        }
    }
    message->setReceiverCount(snapshot.size());
    for (const std::shared_ptr<VLBroadcastReceiver>& receiver : snapshot)
        receiver->receiveBroadcast(message, sender, sourceId, newestId);
    if (emptied)
        _announceKey(key);
}
