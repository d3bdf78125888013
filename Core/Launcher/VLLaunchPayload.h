#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Launcher/VLWidgetSizing.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class VLLocalPathLaunchPayload;
class VLRuntime;
class VLUserFilesProvider;
class VLWSView;

// Everything the content host hands the engine for one widget launch. The host builds it on the main
// thread and sets most of it by name with setValueForKey(); the launcher reads it once, on its own
// queue, while it launches, and copies it into the runtime. Nobody changes it once it is handed over,
// so it needs no lock.
class VLLaunchPayload {
public:
    using NetworkRequestObserver =
        std::function<void(const std::string& url, const std::optional<std::string>& denial)>;
    using DynamicCodeHandler = std::function<void(const std::string& kind, const std::string& source)>;
    using RuntimeHandler = std::function<void(const std::shared_ptr<VLRuntime>& runtime)>;
    using ScriptMessageHandlers = std::map<std::string, std::shared_ptr<VLJSEngineScriptMessageHandler>>;

    virtual ~VLLaunchPayload() = default;

    // The way the host makes a payload: one for the package directory at the path.
    static std::shared_ptr<VLLocalPathLaunchPayload> launchPaylodWithLocalPath(std::string path);

    // Sets the property of that name, as the host does with the same-named keys of its launch message.
    // Boolean and numeric properties take a boolean or a number ("dataQuota" neither a negative nor a
    // fractional one); the others take their own type, or nil or null to clear them. "packageDigests"
    // takes a dictionary of data values: anything else answers false and leaves an empty dictionary, so
    // that every package file is refused rather than read unchecked. Otherwise an unknown key or a
    // value of the wrong type answers false and changes nothing.
    bool setValueForKey(std::string_view key, const VLValue& value);

    const std::optional<VLDictionary>& options() const { return _options; }
    void setOptions(std::optional<VLDictionary> options) { _options = std::move(options); }
    // Empty: the engine is named after the package directory.
    const std::string& name() const { return _name; }
    void setName(std::string name) { _name = std::move(name); }
    bool hidesFromWebInspector() const { return _hidesFromWebInspector; }
    void setHidesFromWebInspector(bool hides) { _hidesFromWebInspector = hides; }
    bool allowsNetworkAccess() const { return _allowsNetworkAccess; }
    void setAllowsNetworkAccess(bool allows) { _allowsNetworkAccess = allows; }
    bool allowsAudio() const { return _allowsAudio; }
    void setAllowsAudio(bool allows) { _allowsAudio = allows; }
    bool allowsSystemInformation() const { return _allowsSystemInformation; }
    void setAllowsSystemInformation(bool allows) { _allowsSystemInformation = allows; }
    bool allowsAppFiles() const { return _allowsAppFiles; }
    void setAllowsAppFiles(bool allows) { _allowsAppFiles = allows; }
    // Nothing: any host.
    const std::optional<std::vector<std::string>>& allowedNetworkHosts() const {
        return _allowedNetworkHosts;
    }
    void setAllowedNetworkHosts(std::optional<std::vector<std::string>> hosts) {
        _allowedNetworkHosts = std::move(hosts);
    }
    bool allowsKeyboard() const { return _allowsKeyboard; }
    void setAllowsKeyboard(bool allows) { _allowsKeyboard = allows; }
    bool allowsGlobalMouse() const { return _allowsGlobalMouse; }
    void setAllowsGlobalMouse(bool allows) { _allowsGlobalMouse = allows; }
    bool allowsKeyActivity() const { return _allowsKeyActivity; }
    void setAllowsKeyActivity(bool allows) { _allowsKeyActivity = allows; }
    bool asksForInputMonitoring() const { return _asksForInputMonitoring; }
    void setAsksForInputMonitoring(bool asks) { _asksForInputMonitoring = asks; }
    bool allowsSystemAudio() const { return _allowsSystemAudio; }
    void setAllowsSystemAudio(bool allows) { _allowsSystemAudio = allows; }
    bool allowsDetailedSystemAudio() const { return _allowsDetailedSystemAudio; }
    void setAllowsDetailedSystemAudio(bool allows) { _allowsDetailedSystemAudio = allows; }
    bool asksForSystemAudio() const { return _asksForSystemAudio; }
    void setAsksForSystemAudio(bool asks) { _asksForSystemAudio = asks; }
    bool simulatesSystemAudio() const { return _simulatesSystemAudio; }
    void setSimulatesSystemAudio(bool simulates) { _simulatesSystemAudio = simulates; }
    bool allowsWindowPositions() const { return _allowsWindowPositions; }
    void setAllowsWindowPositions(bool allows) { _allowsWindowPositions = allows; }
    bool allowsFileDrops() const { return _allowsFileDrops; }
    void setAllowsFileDrops(bool allows) { _allowsFileDrops = allows; }
    const std::shared_ptr<VLUserFilesProvider>& userFilesProvider() const { return _userFilesProvider; }
    void setUserFilesProvider(std::shared_ptr<VLUserFilesProvider> provider) {
        _userFilesProvider = std::move(provider);
    }
    bool restrictsWindows() const { return _restrictsWindows; }
    void setRestrictsWindows(bool restricts) { _restrictsWindows = restricts; }
    const std::optional<VLWidgetSizing>& widgetSizing() const { return _widgetSizing; }
    void setWidgetSizing(std::optional<VLWidgetSizing> sizing) { _widgetSizing = std::move(sizing); }
    // Bytes; 0 means no quota.
    uint64_t dataQuota() const { return _dataQuota; }
    void setDataQuota(uint64_t quota) { _dataQuota = quota; }
    // Package-relative path → 32-byte SHA-256 digest. Nothing: no checks; an empty dictionary: every
    // package file is refused.
    const std::optional<VLDictionary>& packageDigests() const { return _packageDigests; }
    void setPackageDigests(std::optional<VLDictionary> digests) { _packageDigests = std::move(digests); }
    const std::optional<std::set<std::string>>& allowedWindowTypes() const { return _allowedWindowTypes; }
    void setAllowedWindowTypes(std::optional<std::set<std::string>> types) {
        _allowedWindowTypes = std::move(types);
    }
    // Empty: a "Data" folder in the runtime's temporary directory.
    const std::string& dataPath() const { return _dataPath; }
    void setDataPath(std::string path) { _dataPath = std::move(path); }
    const std::optional<std::string>& messagingPackage() const { return _messagingPackage; }
    void setMessagingPackage(std::optional<std::string> package) { _messagingPackage = std::move(package); }
    const std::optional<std::string>& messagingNamespace() const { return _messagingNamespace; }
    void setMessagingNamespace(std::optional<std::string> name) { _messagingNamespace = std::move(name); }
    float volume() const { return _volume; }
    void setVolume(float volume) { _volume = volume; }
    bool muted() const { return _muted; }
    void setMuted(bool muted) { _muted = muted; }
    bool mutedByUser() const { return _mutedByUser; }
    void setMutedByUser(bool muted) { _mutedByUser = muted; }
    // The window server's view that windows are laid out in; held weakly.
    const std::weak_ptr<VLWSView>& hostView() const { return _hostView; }
    void setHostView(std::weak_ptr<VLWSView> view) { _hostView = std::move(view); }
    const VLRect& hostArea() const { return _hostArea; }
    void setHostArea(const VLRect& area) { _hostArea = area; }
    // 0: not set.
    double devicePixelRatio() const { return _devicePixelRatio; }
    void setDevicePixelRatio(double ratio) { _devicePixelRatio = ratio; }
    const ScriptMessageHandlers& scriptMessageHandlers() const { return _scriptMessageHandlers; }
    void setScriptMessageHandlers(ScriptMessageHandlers handlers) {
        _scriptMessageHandlers = std::move(handlers);
    }
    const VLJSEngine::ConsoleHandler& consoleHandler() const { return _consoleHandler; }
    void setConsoleHandler(VLJSEngine::ConsoleHandler handler) { _consoleHandler = std::move(handler); }
    const VLJSEngine::ExceptionHandler& exceptionHandler() const { return _exceptionHandler; }
    void setExceptionHandler(VLJSEngine::ExceptionHandler handler) { _exceptionHandler = std::move(handler); }
    const NetworkRequestObserver& networkRequestObserver() const { return _networkRequestObserver; }
    void setNetworkRequestObserver(NetworkRequestObserver observer) {
        _networkRequestObserver = std::move(observer);
    }
    const DynamicCodeHandler& dynamicCodeHandler() const { return _dynamicCodeHandler; }
    void setDynamicCodeHandler(DynamicCodeHandler handler) { _dynamicCodeHandler = std::move(handler); }
    const RuntimeHandler& runtimeHandler() const { return _runtimeHandler; }
    void setRuntimeHandler(RuntimeHandler handler) { _runtimeHandler = std::move(handler); }

protected:
    // The defaults: volume 1, a null host area, asking for input monitoring and system audio, every
    // permission off, everything else zero or nothing.
    VLLaunchPayload() = default;

private:
    std::optional<VLDictionary> _options;
    std::string _name;
    bool _hidesFromWebInspector = false;
    bool _allowsNetworkAccess = false;
    bool _allowsAudio = false;
    bool _allowsSystemInformation = false;
    bool _allowsAppFiles = false;
    std::optional<std::vector<std::string>> _allowedNetworkHosts;
    bool _allowsKeyboard = false;
    bool _allowsGlobalMouse = false;
    bool _allowsKeyActivity = false;
    bool _asksForInputMonitoring = true;
    bool _allowsSystemAudio = false;
    bool _allowsDetailedSystemAudio = false;
    bool _asksForSystemAudio = true;
    bool _simulatesSystemAudio = false;
    bool _allowsWindowPositions = false;
    bool _allowsFileDrops = false;
    std::shared_ptr<VLUserFilesProvider> _userFilesProvider;
    bool _restrictsWindows = false;
    std::optional<VLWidgetSizing> _widgetSizing;
    uint64_t _dataQuota = 0;
    std::optional<VLDictionary> _packageDigests;
    std::optional<std::set<std::string>> _allowedWindowTypes;
    std::string _dataPath;
    std::optional<std::string> _messagingPackage;
    std::optional<std::string> _messagingNamespace;
    float _volume = 1.0f;
    bool _muted = false;
    bool _mutedByUser = false;
    std::weak_ptr<VLWSView> _hostView;
    VLRect _hostArea = VLRectNull;
    double _devicePixelRatio = 0;
    ScriptMessageHandlers _scriptMessageHandlers;
    VLJSEngine::ConsoleHandler _consoleHandler;
    VLJSEngine::ExceptionHandler _exceptionHandler;
    NetworkRequestObserver _networkRequestObserver;
    DynamicCodeHandler _dynamicCodeHandler;
    RuntimeHandler _runtimeHandler;
};

// Whether a runtime launched from the payload gets system audio: a widget that may reach the network
// gets it only with detailed system audio too. A request denied this way is logged, naming the engine.
bool VLLaunchPayloadAllowsSystemAudio(const VLLaunchPayload& payload, std::string_view engineName);
