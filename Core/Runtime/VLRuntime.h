#pragma once

#include "Core/Launcher/VLWidgetSizing.h"
#include "Core/Runtime/VLFileSystemOwner.h"
#include "Core/Runtime/VLPerformanceMonitor.h"
#include "Core/Runtime/VLRuntimeAttachments.h"
#include "Core/Runtime/VLRuntimeJSLoader.h"
#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"
#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class VLBundle;
class VLFileSystemManager;
class VLJSEngine;
class VLRenderingLoop;
class VLUserFilesProvider;
class VLWidgetWindowComponent;
class VLWSView;
class VLWSWindow;

// What a runtime tells the rest of the engine. All but the termination notice are posted on the main
// thread with the runtime as object; the termination notice on the runtime's JavaScript thread with no
// object and the runtime's global context (a JSGlobalContextRef) in its user info under
// VLRuntimeGlobalContextKey. Observers of the volume notice read outputVolume().
inline constexpr char VLRuntimeSuspendedDidChangeNotification[] = "VLRuntimeSuspendedDidChangeNotification";
inline constexpr char VLRuntimeVolumeDidChangeNotification[] = "VLRuntimeVolumeDidChangeNotification";
// Posted by the System module when a widget asks its parts to drop their caches.
inline constexpr char VLRuntimeNeedsGarbageCollectionNotification[] =
    "VLRuntimeNeedsGarbageCollectionNotification";
inline constexpr char VLRuntimeWillTerminateNotification[] = "VLRuntimeWillTerminateNotification";
inline constexpr char VLRuntimeGlobalContextKey[] = "VLRuntimeGlobalContextKey";
// Posted after a GPU reset of one of the runtime's canvases; the user info's "guilty" (a bool) is true
// when the canvas caused the reset.
inline constexpr char VLRuntimeGraphicsResetNotification[] = "VLRuntimeGraphicsResetNotification";
inline constexpr char VLRuntimeGraphicsResetGuiltyKey[] = "guilty";

inline constexpr const char* VLRuntimeErrorDomain = "VLRuntimeErrorDomain";
// The value of Velto.apiVersion.
inline constexpr long VLRuntimeAPIVersion = 9;
// The most windows a runtime that restricts windows may hold at once.
inline constexpr uint64_t VLRuntimeMaximumWindowCount = 16;

// One launched widget: its JavaScript engine, file system manager and blob URL store, the permissions
// and settings the launcher copies from the launch payload, the state the content host steers, the
// state its widget window reports, and its end.
//
// Threads: the host steers from the main thread, and suspension and volume notices arrive there.
// Permissions and settings are set once by the launcher and read from any thread (atomics, or under
// _settingsLock). Volume, muting, termination and the garbage-collection mark are under the runtime
// lock _lock; the drop tokens under _dropLock. The widget-window state (widgetWindow, its size, place
// and margins) belongs to the main thread. Script work runs on the engine's JavaScript thread.
class VLRuntime final : public VLFileSystemOwner,
                        public VLRuntimeJSLoader,
                        public std::enable_shared_from_this<VLRuntime> {
public:
    using ParametersCompletion = std::function<void(bool updated)>;
    using NetworkRequestObserver =
        std::function<void(const std::string& url, const std::optional<std::string>& denial)>;

    // An index.js above this many bytes fails the launch: JavaScriptCore holds a script's source in
    // UTF-16 besides the bytes read, so this keeps a script's load within about a gigabyte.
    static constexpr uint64_t kMaximumScriptLength = 268435456;

    // A runtime for the bundle: its file thread, blob store and engine (whose JavaScript thread starts
    // at once, with the runtime scope and Velto.apiVersion). Nothing here starts rendering.
    static std::shared_ptr<VLRuntime> create(std::shared_ptr<VLBundle> bundle);
    // The runtime whose window component is the platform window's delegate; null for another window.
    // Main thread.
    static std::shared_ptr<VLRuntime> runtimeOwningWindow(const VLWSWindow& window);
    ~VLRuntime() override;
    VLRuntime(const VLRuntime&) = delete;
    VLRuntime& operator=(const VLRuntime&) = delete;

    // A new upper-case UUID: the name of the runtime's temporary directory.
    std::string identity() const override { return _identity; }
    const std::shared_ptr<VLBundle>& bundle() const { return _bundle; }
    const std::shared_ptr<VLJSEngine>& engine() const { return _engine; }
    const std::shared_ptr<VLFileSystemManager>& fileSystemManager() const { return _fileSystemManager; }
    std::shared_ptr<VLBlobURLStore> blobURLStore() const override { return _blobURLStore; }

    // Host-steered state.

    bool isSuspended() const { return _suspended.load(); }
    // Ignored when terminated or unchanged; otherwise tells the engine (for the timers) and posts
    // VLRuntimeSuspendedDidChangeNotification.
    void setSuspended(bool suspended);
    // The main application's reason code; only stored. A change while suspended posts the suspension
    // notice again.
    int64_t suspensionReason() const { return _suspensionReason.load(); }
    void setSuspensionReason(int64_t reason);
    bool isRenderingPaused() const { return _renderingPaused.load(); }
    // Ignored when terminated or unchanged; posts nothing.
    void setRenderingPaused(bool paused);
    // Suspended or rendering paused: what media and monitors test, on any thread.
    bool isPlaybackPaused() const { return _playbackPaused.load(); }
    bool isTerminated() const;

    // 0…1; NaN counts as 1. These three post VLRuntimeVolumeDidChangeNotification on a change, also
    // after termination.
    float volume() const;
    void setVolume(float volume);
    bool isMuted() const;
    void setMuted(bool muted);
    bool isMutedByUser() const;
    void setMutedByUser(bool muted);
    // 0 while either muting flag is set, else the volume.
    float outputVolume() const;

    // The host's cap on the frame rate: the rendering loop's, kept as an unsigned 32-bit value; 60 by
    // default.
    uint32_t preferredFramesPerSecond() const;
    void setPreferredFramesPerSecond(uint64_t framesPerSecond);

    // The frame clock of the runtime's JavaScript thread, made on first use; nothing starts it but its
    // first port or presentable. Any thread.
    std::shared_ptr<VLRenderingLoop> renderingLoop() const;

    // Replaces Velto.launchOptions.parameters and fires "parameterschange" on Velto.system with
    // {parameters, changed}. The completion runs once, later, on the main queue: true when the update
    // was applied (also when nothing changed), false when it could not be (not a JSON object, a
    // terminated runtime, no System binding listening for the event, a script failure).
    void updateParameters(const VLValue& parameters, ParametersCompletion completion);
    // The call of the launch-options script's member ("publish" or "update") with the global object and
    // the value as JSON text in a string, which the script parses as data: pasted in as source, a key
    // named "__proto__" would set the object's prototype instead. Nothing for a value JSON can't hold.
    static std::optional<std::string> launchOptionsCall(std::string_view member, const VLValue& value);

    // Moves the widget window through its component; nothing without one. Main thread.
    void moveWidgetWindowToPlace(VLPoint place);

    // "suspensionReason" (a number) and "renderingPaused" (a boolean or number), as the host sets them;
    // false, with nothing changed, for another key or a value of another type.
    bool setValueForKey(std::string_view key, const VLValue& value);

    // Once; any thread. Deletes the blob files and the temporary directory, then on the JavaScript
    // thread has the engine mark every binding context terminated (its timers end) and posts
    // VLRuntimeWillTerminateNotification.
    // Afterwards suspension, rendering pauses, garbage collection and parameter updates do nothing.
    void terminate();

    // For the launcher.

    // Reads "index.js" through the file system manager (with its digest when the runtime has package
    // digests) and evaluates it. Failures are VLRuntimeErrorDomain 202; they and an empty script are
    // reported on the calling thread, the script's outcome on the JavaScript thread.
    void loadPackage(LoadCompletion completion) override;

    // Permissions, set once by the launcher.
    bool allowsNetworkAccess() const { return _allowsNetworkAccess.load(); }
    void setAllowsNetworkAccess(bool allows) { _allowsNetworkAccess.store(allows); }
    bool allowsAudio() const { return _allowsAudio.load(); }
    void setAllowsAudio(bool allows) { _allowsAudio.store(allows); }
    bool allowsSystemInformation() const { return _allowsSystemInformation.load(); }
    void setAllowsSystemInformation(bool allows) { _allowsSystemInformation.store(allows); }
    bool allowsAppFiles() const override { return _allowsAppFiles.load(); }
    void setAllowsAppFiles(bool allows) { _allowsAppFiles.store(allows); }
    bool allowsKeyboard() const { return _allowsKeyboard.load(); }
    void setAllowsKeyboard(bool allows) { _allowsKeyboard.store(allows); }
    bool allowsGlobalMouse() const { return _allowsGlobalMouse.load(); }
    void setAllowsGlobalMouse(bool allows) { _allowsGlobalMouse.store(allows); }
    bool allowsKeyActivity() const { return _allowsKeyActivity.load(); }
    void setAllowsKeyActivity(bool allows) { _allowsKeyActivity.store(allows); }
    bool asksForInputMonitoring() const { return _asksForInputMonitoring.load(); }
    void setAsksForInputMonitoring(bool asks) { _asksForInputMonitoring.store(asks); }
    bool allowsSystemAudio() const { return _allowsSystemAudio.load(); }
    void setAllowsSystemAudio(bool allows) { _allowsSystemAudio.store(allows); }
    bool allowsDetailedSystemAudio() const { return _allowsDetailedSystemAudio.load(); }
    void setAllowsDetailedSystemAudio(bool allows) { _allowsDetailedSystemAudio.store(allows); }
    bool asksForSystemAudio() const { return _asksForSystemAudio.load(); }
    void setAsksForSystemAudio(bool asks) { _asksForSystemAudio.store(asks); }
    bool simulatesSystemAudio() const { return _simulatesSystemAudio.load(); }
    void setSimulatesSystemAudio(bool simulates) { _simulatesSystemAudio.store(simulates); }
    bool allowsWindowPositions() const { return _allowsWindowPositions.load(); }
    void setAllowsWindowPositions(bool allows) { _allowsWindowPositions.store(allows); }
    bool allowsFileDrops() const { return _allowsFileDrops.load(); }
    void setAllowsFileDrops(bool allows) { _allowsFileDrops.store(allows); }
    bool restrictsWindows() const { return _restrictsWindows.load(); }
    void setRestrictsWindows(bool restricts) { _restrictsWindows.store(restricts); }

    // Settings, set once by the launcher.

    // Nothing: any window type.
    std::optional<std::set<std::string>> allowedWindowTypes() const { return locked(_allowedWindowTypes); }
    void setAllowedWindowTypes(std::optional<std::set<std::string>> types) {
        setLocked(_allowedWindowTypes, std::move(types));
    }
    // Nothing: any host.
    std::optional<std::vector<std::string>> allowedNetworkHosts() const {
        return locked(_allowedNetworkHosts);
    }
    void setAllowedNetworkHosts(std::optional<std::vector<std::string>> hosts) {
        setLocked(_allowedNetworkHosts, std::move(hosts));
    }
    std::optional<VLWidgetSizing> widgetSizing() const { return locked(_widgetSizing); }
    void setWidgetSizing(std::optional<VLWidgetSizing> sizing) {
        setLocked(_widgetSizing, std::move(sizing));
    }
    // Bytes; 0 for no quota.
    uint64_t dataQuota() const override { return _dataQuota.load(); }
    void setDataQuota(uint64_t quota) { _dataQuota.store(quota); }
    // Nil: package files are read unchecked; a dictionary of path → 32-byte digest otherwise.
    VLValue packageDigests() const override;
    void setPackageDigests(std::optional<VLDictionary> digests);
    NetworkRequestObserver networkRequestObserver() const { return locked(_networkRequestObserver); }
    void setNetworkRequestObserver(NetworkRequestObserver observer) {
        setLocked(_networkRequestObserver, std::move(observer));
    }
    std::shared_ptr<VLUserFilesProvider> userFilesProvider() const { return locked(_userFilesProvider); }
    void setUserFilesProvider(std::shared_ptr<VLUserFilesProvider> provider) {
        setLocked(_userFilesProvider, std::move(provider));
    }
    std::weak_ptr<VLWSView> hostView() const { return locked(_hostView); }
    void setHostView(std::weak_ptr<VLWSView> view) { setLocked(_hostView, std::move(view)); }
    // VLRectNull when not set.
    VLRect hostArea() const { return locked(_hostArea); }
    void setHostArea(const VLRect& area) { setLocked(_hostArea, area); }
    double devicePixelRatio() const { return _devicePixelRatio.load(); }
    void setDevicePixelRatio(double ratio) { _devicePixelRatio.store(ratio); }
    // Empty: a "Data" folder in the temporary directory.
    std::string dataPath() const override { return locked(_dataPath); }
    void setDataPath(std::string path) { setLocked(_dataPath, std::move(path)); }
    std::optional<std::string> messagingPackage() const { return locked(_messagingPackage); }
    void setMessagingPackage(std::optional<std::string> package) {
        setLocked(_messagingPackage, std::move(package));
    }
    std::optional<std::string> messagingNamespace() const { return locked(_messagingNamespace); }
    void setMessagingNamespace(std::optional<std::string> name) {
        setLocked(_messagingNamespace, std::move(name));
    }
    // Read by the widget window's resize hint; true by default.
    bool nudgesWidgetResizeHint() const { return _nudgesWidgetResizeHint.load(); }
    void setNudgesWidgetResizeHint(bool nudges) { _nudgesWidgetResizeHint.store(nudges); }

    // Network policy, from allowsNetworkAccess and allowedNetworkHosts.

    using NetworkAddressCompletion = std::function<void(const std::optional<std::string>& denial)>;
    // Why the URL may not be reached, or nothing when it may. The network request observer hears of
    // each decision on the calling thread. Any thread.
    std::optional<std::string> networkDenialForURL(const VLURL& url) const;
    // Network access is allowed and a host list is set: callers then also check the URL's address
    // before they connect.
    bool checksNetworkAddresses() const;
    // Resolves the URL's host away from the caller and tells on the JavaScript thread whether it leads
    // into the local network; never once the runtime is gone or terminated.
    void checkNetworkAddressOfURL(const VLURL& url, NetworkAddressCompletion completion);
    // May block on name resolution.
    static bool hostResolvesToLocalNetwork(std::string_view host);

    // Performance readings, for the host.

    // The handler runs on the main queue about once a second while it is registered. Main thread.
    VLPerformanceObserverToken addPerformanceObserverWithHandler(VLPerformanceMonitor::Handler handler);
    // Null and unknown tokens are ignored. Main thread.
    void removePerformanceObserver(const VLPerformanceObserverToken& token);
    // Whether samples can tell the size of the JavaScript heap.
    static bool canMeasureJavaScriptMemory();
    // Of the JavaScript thread: its system-wide identifier (0 without one), the seconds it has worked
    // without a pause (0 while it waits), and the seconds of CPU time it has used. Any thread.
    uint64_t javaScriptThreadIdentifier() const;
    double javaScriptBusyDuration() const;
    double javaScriptCPUTime() const;

    // The file system manager's view of the runtime.
    std::string bundlePath() const override;

    // For the engine's modules.

    // Asks for one full garbage collection on the JavaScript thread a second from now, so that the
    // memory of released media goes soon; requests made meanwhile are absorbed by the pending one.
    // Nothing once terminated. Any thread.
    void setNeedsGarbageCollection();
    // How many of those collections have run.
    uint64_t garbageCollectionCount() const { return _garbageCollectionCount.load(); }

    // One new token per URL, in order; only the latest 256 tokens are kept.
    std::vector<std::string> registerDroppedFileURLs(const std::vector<VLURL>& urls);
    std::optional<VLURL> fileURLForDropToken(std::string_view token) const;
    void forgetDropToken(std::string_view token);

    // What the engine's modules keep on the runtime, freed with it. Any thread.
    VLRuntimeAttachments& attachments() { return _attachments; }

    // How many windows the runtime holds, counted by the window binding.
    uint64_t windowCount() const { return _windowCount.load(); }
    void setWindowCount(uint64_t count) { _windowCount.store(count); }
    std::shared_ptr<VLWidgetWindowComponent> widgetWindowComponent() const {
        return locked(_widgetWindowComponent).lock();
    }
    // Held weakly.
    void setWidgetWindowComponent(std::weak_ptr<VLWidgetWindowComponent> component) {
        setLocked(_widgetWindowComponent, std::move(component));
    }

    // The widget window's state, written by the widget window and read by the host; main thread.
    std::shared_ptr<VLWSWindow> widgetWindow() const { return _widgetWindow.lock(); }
    void setWidgetWindow(std::weak_ptr<VLWSWindow> window) { _widgetWindow = std::move(window); }
    VLSize widgetWindowSize() const { return _widgetWindowSize; }
    void setWidgetWindowSize(VLSize size) { _widgetWindowSize = size; }
    VLPoint widgetWindowPlace() const { return _widgetWindowPlace; }
    void setWidgetWindowPlace(VLPoint place) { _widgetWindowPlace = place; }
    VLEdgeInsets widgetWindowMargins() const { return _widgetWindowMargins; }
    void setWidgetWindowMargins(VLEdgeInsets margins) { _widgetWindowMargins = margins; }
    bool hasWidgetWindowPlace() const { return _hasWidgetWindowPlace.load(); }
    void setHasWidgetWindowPlace(bool has) { _hasWidgetWindowPlace.store(has); }

private:
    explicit VLRuntime(std::shared_ptr<VLBundle> bundle);
    void start();

    template <typename T>
    T locked(const T& field) const {
        std::lock_guard lock(_settingsLock);
        return field;
    }
    template <typename T>
    void setLocked(T& field, T value) {
        std::lock_guard lock(_settingsLock);
        field = std::move(value);
    }

    // Playback and the rendering loop follow suspension and rendering pauses.
    void updateLoop();
    // Stores the value under the runtime lock and posts the volume notice when it changed.
    template <typename T>
    void setVolumeState(T& field, T value);
    // At once on the main thread; from elsewhere through the main queue, unless the runtime is gone.
    void postOnMainThread(const char* name);
    // On the JavaScript thread, unless terminated meanwhile.
    void collectGarbage();
    // On the JavaScript thread: whether the update reached a System binding that listens for it.
    bool applyParameters(const std::string& call);

    const std::string _identity;
    const std::shared_ptr<VLBundle> _bundle;
    std::shared_ptr<VLFileSystemManager> _fileSystemManager;
    std::shared_ptr<VLBlobURLStore> _blobURLStore;
    std::shared_ptr<VLJSEngine> _engine;

    std::atomic<bool> _suspended{false};
    std::atomic<bool> _renderingPaused{false};
    std::atomic<bool> _playbackPaused{false};
    std::atomic<int64_t> _suspensionReason{0};
    // Set once, under the runtime lock.
    mutable std::atomic<std::shared_ptr<VLRenderingLoop>> _renderingLoop;
    std::atomic<uint64_t> _garbageCollectionCount{0};

    mutable std::recursive_mutex _lock; // the runtime lock; guards the five members below
    bool _terminated = false;
    bool _garbageCollectionPending = false;
    float _volume = 1.0f;
    bool _muted = false;
    bool _mutedByUser = false;

    std::atomic<bool> _allowsNetworkAccess{false};
    std::atomic<bool> _allowsAudio{false};
    std::atomic<bool> _allowsSystemInformation{false};
    std::atomic<bool> _allowsAppFiles{false};
    std::atomic<bool> _allowsKeyboard{false};
    std::atomic<bool> _allowsGlobalMouse{false};
    std::atomic<bool> _allowsKeyActivity{false};
    std::atomic<bool> _asksForInputMonitoring{false};
    std::atomic<bool> _allowsSystemAudio{false};
    std::atomic<bool> _allowsDetailedSystemAudio{false};
    std::atomic<bool> _asksForSystemAudio{false};
    std::atomic<bool> _simulatesSystemAudio{false};
    std::atomic<bool> _allowsWindowPositions{false};
    std::atomic<bool> _allowsFileDrops{false};
    std::atomic<bool> _restrictsWindows{false};
    std::atomic<bool> _nudgesWidgetResizeHint{true};
    std::atomic<bool> _hasWidgetWindowPlace{false};
    std::atomic<uint64_t> _dataQuota{0};
    std::atomic<double> _devicePixelRatio{0};
    std::atomic<uint64_t> _windowCount{0};

    mutable std::mutex _settingsLock; // guards the settings below; any thread
    std::optional<std::set<std::string>> _allowedWindowTypes;
    std::optional<std::vector<std::string>> _allowedNetworkHosts;
    std::optional<VLWidgetSizing> _widgetSizing;
    std::optional<VLDictionary> _packageDigests;
    NetworkRequestObserver _networkRequestObserver;
    std::shared_ptr<VLUserFilesProvider> _userFilesProvider;
    std::weak_ptr<VLWSView> _hostView;
    VLRect _hostArea;
    std::string _dataPath;
    std::optional<std::string> _messagingPackage;
    std::optional<std::string> _messagingNamespace;
    std::weak_ptr<VLWidgetWindowComponent> _widgetWindowComponent;

    VLRuntimeAttachments _attachments;

    mutable std::mutex _dropLock; // guards the drop tokens; any thread
    std::map<std::string, VLURL, std::less<>> _droppedFiles;
    std::deque<std::string> _droppedFileTokens;

    // Main thread.
    std::shared_ptr<VLPerformanceMonitor> _performanceMonitor; // made on first use
    std::weak_ptr<VLWSWindow> _widgetWindow;
    VLSize _widgetWindowSize;
    VLPoint _widgetWindowPlace;
    VLEdgeInsets _widgetWindowMargins;
};
