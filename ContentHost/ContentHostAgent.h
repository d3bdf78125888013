#pragma once

#include "ContentHost/ContentHostConnection.h"
#include "ContentHost/ContentHostDisplays.h"
#include "ContentHost/ContentHostOp.h"
#include "Core/Runtime/VLPerformanceMonitor.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class ContentHostBroadcastTransport;
class PerformanceHUDView;
class VLLaunchPayload;
class VLLauncher;
class VLManager;
class VLRuntime;
class VLWSTimer;
class VLWSWindow;
class WindowMirrorRenderer;

// The content host's one agent: it owns the connection to the main application, the engine's facade
// and the runtimes it hosts under the application's runtime ids, and turns every message that arrives
// into engine calls. Runtimes come with "launch" and go with "terminate"; when the connection closes,
// the hosted runtimes are terminated and the termination handler ends the process.
//
// Threads: made, started and fed on the main queue, which owns every field; only the read-queue
// handler runs on the connection's read queue, where it touches nothing of the agent.
class ContentHostAgent final : public std::enable_shared_from_this<ContentHostAgent> {
public:
    // One runtime id of the application: hosted from the accepted "launch" on, its runtime set once
    // the engine made it.
    struct Hosted {
        int64_t rid = 0;
        std::shared_ptr<VLRuntime> runtime;
        // While "performance" is on.
        VLPerformanceObserverToken performanceObserver;
        // The invisible window a preview draws into.
        std::shared_ptr<VLWSWindow> previewWindow;
        // The overlays shown by "hud", by window number.
        std::map<int64_t, std::shared_ptr<PerformanceHUDView>> hudViews;
    };

    // Takes the socket of the application's connection; `appPort` is the descriptor of the socket that
    // window mirrors travel over, when the application gave one. The limits are the connection's.
    static std::shared_ptr<ContentHostAgent> create(int socket, std::optional<int> appPort = std::nullopt,
                                                    ContentHostConnectionLimits limits = {});
    ~ContentHostAgent();
    ContentHostAgent(const ContentHostAgent&) = delete;
    ContentHostAgent& operator=(const ContentHostAgent&) = delete;

    // Called once the connection has closed and the hosted runtimes are terminated: the program ends
    // there. Set before applicationDidFinishLaunching().
    void setTerminationHandler(std::function<void()> handler) { _terminationHandler = std::move(handler); }

    // The application's first turn of the main queue: the window, engine and storage observers are
    // registered, and reading begins.
    void applicationDidFinishLaunching();

    const std::shared_ptr<ContentHostConnection>& connection() const { return _connection; }
    const std::shared_ptr<VLManager>& manager() const { return _manager; }
    const ContentHostDisplays& displays() const { return *_displays; }
    const std::shared_ptr<ContentHostBroadcastTransport>& broadcastTransport() const {
        return _broadcastTransport;
    }
    std::optional<int> appPort() const { return _appPort; }
    // The hosted entry of a runtime id, else nullptr.
    std::shared_ptr<const Hosted> hosted(int64_t rid) const;
    // The window mirror streams by their id, and whether the sweep of streams not asked for runs.
    const std::map<int64_t, std::shared_ptr<WindowMirrorRenderer>>& mirrors() const { return _mirrors; }
    bool isSweepingMirrors() const { return _mirrorsTimer != nullptr; }

private:
    ContentHostAgent(int socket, std::optional<int> appPort, ContentHostConnectionLimits limits);
    void installHandlers();

    // The dispatcher and the messages that need no runtime.
    void dispatch(const VLDictionary& message);
    void dispatchToHosted(ContentHostOp op, const VLDictionary& message, Hosted& entry);
    void configure(const VLDictionary& message);
    void status(const VLDictionary& message);
    void broadcast(const VLDictionary& message);
    void heard(const VLDictionary& message);
    // Read queue: consumes "systemAudio".
    static bool consumeOnReadQueue(const VLDictionary& message);

    // Runtimes.
    void terminate(int64_t rid);
    void connectionDidClose();

    // Steering a started runtime (ContentHostAgentSteering.cpp).
    void set(const VLDictionary& message, VLRuntime& runtime);
    void parameters(const VLDictionary& message, VLRuntime& runtime);
    void callJS(const VLDictionary& message, VLRuntime& runtime);
    void addHandler(const VLDictionary& message, const Hosted& entry);
    void removeHandler(const VLDictionary& message, VLRuntime& runtime);
    void moveWindow(const VLDictionary& message, const VLRuntime& runtime);
    void moveWidget(const VLDictionary& message, VLRuntime& runtime);
    void previewSize(const VLDictionary& message, const Hosted& entry);
    void performance(const VLDictionary& message, Hosted& entry);

    // The performance overlay (ContentHostAgentHUD.cpp).
    void hud(const VLDictionary& message, Hosted& entry);

    // Reports (ContentHostAgentReports.cpp).
    void observeNotifications();
    // Runs the block on the main queue with the agent: at once when posted there, otherwise later and
    // only while the agent exists.
    void onMainQueue(std::function<void(ContentHostAgent&)> block);
    void windowDidChange(const VLWSWindow& window, std::string_view change);
    // A closing window's mirror streams end before "closed" goes out (ContentHostAgentMirrors.cpp).
    void endMirrorsOfWindow(const VLWSWindow& window);
    void runtimeDidReport(const void* runtime, ContentHostOp op, bool guilty);
    void applySyncStorage(const VLDictionary& message);
    void reportSyncStorage(const std::string& directory, bool changed, std::optional<int64_t> applied);
    // The hosted entry whose runtime this is; nullptr for another runtime.
    std::shared_ptr<Hosted> hostedRunning(const void* runtime) const;

    // Window mirrors (ContentHostAgentMirrors.cpp).
    void mirror(const VLDictionary& message, const Hosted& entry);
    void mirrorEnd(const VLDictionary& message);
    // Ends the streams that match; the sweep stops with the last stream.
    void endMirrors(const std::function<bool(const WindowMirrorRenderer&)>& matches);
    void sweepMirrors();

    // Launching (ContentHostAgentLaunch.cpp).
    void launch(const VLDictionary& message, int64_t rid);
    void addPreviewWindow(const VLDictionary& preview, Hosted& entry, VLLaunchPayload& payload);
    void attachForwarders(const VLDictionary& message, int64_t rid, VLLaunchPayload& payload);
    void launchDidEnd(const VLDictionary& message, const std::shared_ptr<Hosted>& entry,
                      const std::shared_ptr<VLRuntime>& runtime, const std::optional<std::string>& error);
    const std::shared_ptr<VLLauncher>& launcher();

    const std::shared_ptr<ContentHostConnection> _connection;
    const std::shared_ptr<ContentHostBroadcastTransport> _broadcastTransport;
    const std::shared_ptr<VLManager> _manager;
    const std::shared_ptr<ContentHostDisplays> _displays;
    const std::optional<int> _appPort;
    std::shared_ptr<VLLauncher> _launcher;
    std::map<int64_t, std::shared_ptr<Hosted>> _hosted;
    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _observers;
    std::function<void()> _terminationHandler;
    std::map<int64_t, std::shared_ptr<WindowMirrorRenderer>> _mirrors;
    // While some stream exists.
    std::shared_ptr<VLWSTimer> _mirrorsTimer;
};
