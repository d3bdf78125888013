#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class VLBroadcastMessage;
class VLBroadcastReceiver;
class VLBroadcastTransport;

// The process-wide router of BroadcastChannel messages between runtimes, by channel key ("scope\n
// owner\nname"). Keys of scope "namespace" also reach other processes through the host's transport,
// which hears whether each such key has receivers here; "package" keys never leave the process.
//
// Any thread. `_lock` guards the receivers and the transport; `_announceLock` keeps what the transport
// hears of keys in order and is taken before `_lock`. Receivers and the transport are called with
// `_lock` released; announcements with `_announceLock` held.
class VLBroadcastHub {
public:
    // Made on first use, never destroyed.
    static VLBroadcastHub& sharedHub();
    // Tests make hubs of their own.
    VLBroadcastHub() = default;
    VLBroadcastHub(const VLBroadcastHub&) = delete;
    VLBroadcastHub& operator=(const VLBroadcastHub&) = delete;

    // Held weakly. The first receiver of a key announces it.
    void addReceiver(const std::shared_ptr<VLBroadcastReceiver>& receiver, const std::string& key);
    // By identity, so that a receiver may leave while it is being destroyed. The last receiver of a key
    // to leave announces it.
    void removeReceiver(const VLBroadcastReceiver* receiver, const std::string& key);
    void removeReceiver(const VLBroadcastReceiver* receiver);

    std::shared_ptr<VLBroadcastTransport> transport() const;
    // Stores the transport and tells it of every cross-process key that has receivers here.
    void setTransport(std::shared_ptr<VLBroadcastTransport> transport);

    // A post of a runtime: to the key's receivers here (the sender among them only with `toSender`) and,
    // for a cross-process key the transport carries, to the transport.
    void postMessage(const std::shared_ptr<VLBroadcastMessage>& message, const std::string& key,
                     const VLBroadcastReceiver* sender, bool toSender, double sourceId, double newestId);
    // Data from another process, for the receivers of its key here; dropped unless it holds a message of
    // scope "namespace" whose name ends the key.
    void receiveTransportedMessage(std::span<const uint8_t> data, const std::string& key);

    // Whether the key crosses processes: it begins with "namespace\n".
    static bool isAnnouncedKey(std::string_view key);

private:
    struct Entry {
        const VLBroadcastReceiver* identity;
        std::weak_ptr<VLBroadcastReceiver> receiver;
    };

    // Tells the transport whether the key has receivers now.
    void _announceKey(const std::string& key);
    void _deliver(const std::shared_ptr<VLBroadcastMessage>& message, const std::string& key,
                  const VLBroadcastReceiver* sender, bool toSender, double sourceId, double newestId);
    // Erases the receiver from the key's list, and the list when it empties; true when it did.
    bool eraseLocked(const VLBroadcastReceiver* receiver,
                     std::map<std::string, std::vector<Entry>>::iterator found);

    std::mutex _announceLock;
    mutable std::mutex _lock;
    std::map<std::string, std::vector<Entry>> _receivers;
    std::shared_ptr<VLBroadcastTransport> _transport;
};
