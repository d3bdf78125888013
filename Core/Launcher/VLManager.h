#pragma once

#include "Platform/Foundation/VLValue.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class VLBroadcastTransport;
class VLDispatchQueue;
class VLRuntime;
class VLSystemAudioSource;

// The engine's facade for the content host. An instance keeps the runtimes that launched and runs
// until the host terminates them; the class side is where the host hands in what the engine's modules
// share across the process (display identifiers, its own processes, system audio, the broadcast
// transport) and asks about capabilities. Most of the class side forwards to the modules through the
// contracts the parts registry resolves.
//
// Threads: the list belongs to the manager's serial queue, "app.velto.manager": additions are queued
// there, removals and copies wait for it, so runingRuntimes() and terminateRuntime() must not be
// called from that queue. The display-identifier provider is guarded by a class lock; the rest takes
// whatever locking its module has, and may be called from any thread.
class VLManager : public std::enable_shared_from_this<VLManager> {
public:
    // The identifier that the main application paired with a display number; the number itself when it
    // gave none.
    using DisplayIdentifierProvider = std::function<uint32_t(uint32_t displayNumber)>;

    static std::shared_ptr<VLManager> create();
    ~VLManager();
    VLManager(const VLManager&) = delete;
    VLManager& operator=(const VLManager&) = delete;

    const std::shared_ptr<VLDispatchQueue>& queue() const { return _queue; }

    // Queued: the runtime joins the list. The launcher calls it before the host's launch completion.
    void onLaunchSuccess(std::shared_ptr<VLRuntime> runtime);
    // Waits for the runtime to leave the list, then terminates it on the calling thread (also when it
    // was not in the list).
    void terminateRuntime(const std::shared_ptr<VLRuntime>& runtime);
    // Waits; a copy of the list. (The name is the host's.)
    std::vector<std::shared_ptr<VLRuntime>> runingRuntimes();

    static DisplayIdentifierProvider displayIdentifierProvider();
    static void setDisplayIdentifierProvider(DisplayIdentifierProvider provider);

    // The host's own processes: left out of the window list and of system-audio capture.
    static std::set<pid_t> relatedProcessIdentifiers();
    static void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers);

    static std::shared_ptr<VLSystemAudioSource> systemAudioSource();
    static void setSystemAudioSource(std::shared_ptr<VLSystemAudioSource> source);
    // A frame is 516 bytes: 128 float band powers, then a float level.
    static void updateSystemAudioFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame,
                                       bool active, bool seemsDenied);
    static void noteSystemAudioWantedMayAsk(bool mayAsk);
    static VLData currentSystemAudioFrame();
    static std::optional<VLData> restrictedSystemAudioFrame(const VLData& frame);
    static bool systemAudioActive();
    static bool isSystemAudioSupported();
    static bool systemAudioSeemsDenied();
    static void recheckSystemAudioAccess();

    static std::shared_ptr<VLBroadcastTransport> broadcastTransport();
    static void setBroadcastTransport(std::shared_ptr<VLBroadcastTransport> transport);
    static void receiveBroadcastMessage(const VLData& data, const std::string& key);

    static bool isCanvasSupported();
    static bool hasInputMonitoring();
    static bool canPromptForInputMonitoring();
    static void askForInputMonitoring();
    // Returns once every scheduled storage write has been written.
    static void flushStorage();

private:
    VLManager();

    const std::shared_ptr<VLDispatchQueue> _queue;
    std::vector<std::shared_ptr<VLRuntime>> _runningRuntimes; // the queue's
};
