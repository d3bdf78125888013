#include "ContentHost/ContentHostBroadcastTransport.h"

#include "ContentHost/ContentHostConnection.h"

ContentHostBroadcastTransport::ContentHostBroadcastTransport(
    std::shared_ptr<ContentHostConnection> connection)
    : _connection(std::move(connection)) {}

void ContentHostBroadcastTransport::broadcastKey(const std::string& key, bool listening) {
    {
        std::lock_guard lock(_lock);
        if (listening) {
            _listening.insert(key);
        } else {
            _listening.erase(key);
            _notHeard.erase(key);
        }
    }
    _connection->sendFromMainQueue({{"op", "listen"}, {"key", key}, {"on", listening}});
}

void ContentHostBroadcastTransport::sendBroadcastMessage(const VLData& data, const std::string& key) {
    _connection->sendFromMainQueue({{"op", "broadcast"}, {"key", key}, {"message", data}});
}

bool ContentHostBroadcastTransport::carriesMessagesForKey(const std::string& key) {
    std::lock_guard lock(_lock);
    return !_notHeard.contains(key);
}

void ContentHostBroadcastTransport::heard(const std::string& key, bool on) {
    std::lock_guard lock(_lock);
    if (!_listening.contains(key))
        return;
    if (on)
        _notHeard.erase(key);
    else
        _notHeard.insert(key);
}
