#pragma once

#include "Core/Launcher/Services/VLBroadcastTransport.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>

class ContentHostConnection;

// Carries the process's broadcast channels to the main application, which relays them between hosts,
// and remembers which of the keys listened to here nobody else hears ("heard" false), so that the hub
// can spare itself sending those. The keys not heard are always a subset of the keys listened to.
//
// Threads: the engine calls it on any thread and the dispatcher hands "heard" in on the main queue; the
// two sets belong to `_lock`. Messages go out from the main queue, in the order they were made.
class ContentHostBroadcastTransport final : public VLBroadcastTransport {
public:
    explicit ContentHostBroadcastTransport(std::shared_ptr<ContentHostConnection> connection);

    void broadcastKey(const std::string& key, bool listening) override;
    void sendBroadcastMessage(const VLData& data, const std::string& key) override;
    bool carriesMessagesForKey(const std::string& key) override;

    // The application says whether anybody beyond this process hears the key; ignored for a key nobody
    // here listens to.
    void heard(const std::string& key, bool on);

private:
    const std::shared_ptr<ContentHostConnection> _connection;
    std::mutex _lock;
    std::set<std::string> _listening;
    std::set<std::string> _notHeard;
};
