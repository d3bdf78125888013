#include "Core/Runtime/VLRuntime.h"

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/KeyValue/VLKeyValueCoding.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/RunLoop/VLUptime.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLJavaScriptMemory.h"
#include "Core/Runtime/VLNetworkPolicy.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Core/Runtime/VLRuntimeOwner.h"
#include "Core/Runtime/VLWidgetWindowComponent.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUUID.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The most drop tokens kept; older ones are forgotten.
constexpr size_t kDropTokenLimit = 256;

// The answer to one parameters update: delivered once, on the main queue. Work that never ran (a
// JavaScript thread that ended first) answers false when it lets go of it.
class ParametersReply {
public:
    explicit ParametersReply(VLRuntime::ParametersCompletion completion)
        : _completion(std::move(completion)) {}
    ~ParametersReply() { send(false); }
    ParametersReply(const ParametersReply&) = delete;
    ParametersReply& operator=(const ParametersReply&) = delete;

    void send(bool updated) {
        if (!_completion)
            return;
        VLMainQueue::async([completion = std::move(_completion), updated] { completion(updated); });
        _completion = nullptr;
    }

private:
    VLRuntime::ParametersCompletion _completion;
};

// A suspension reason as key-value coding reads a signed 64-bit property from a number.
std::optional<int64_t> reasonOf(const VLValue& value) {
    if (value.isInteger())
        return value.integerValue();
    const std::optional<double> number = VLKeyValueNumber(value);
    // 2^63 itself does not fit.
    if (!number || !(std::fabs(*number) < 9223372036854775808.0))
        return std::nullopt;
    return int64_t(*number);
}

} // namespace

std::shared_ptr<VLRuntime> VLRuntime::create(std::shared_ptr<VLBundle> bundle) {
    std::shared_ptr<VLRuntime> runtime(new VLRuntime(std::move(bundle)));
    runtime->start();
    return runtime;
}

VLRuntime::VLRuntime(std::shared_ptr<VLBundle> bundle)
    : _identity(VLUUID().UUIDString()), _bundle(std::move(bundle)), _hostArea(VLRectNull) {}

VLRuntime::~VLRuntime() = default;

void VLRuntime::start() {
    _fileSystemManager = VLFileSystemManager::create(weak_from_this());
    _blobURLStore = std::make_shared<VLBlobURLStore>();
    _engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    _engine->injectBindingContext(std::make_shared<VLRuntimeJSBindingContext>(shared_from_this()));
    _engine->evaluateScript(
        VLStringWithFormat("Object.defineProperty(Velto, 'apiVersion', { value: %ld, enumerable: true });",
                           VLRuntimeAPIVersion),
        "api-version.js", VLJSEngine::EvaluationCompletion());
}

std::string VLRuntime::bundlePath() const {
    return _bundle->bundlePath();
}

VLValue VLRuntime::packageDigests() const {
    std::lock_guard lock(_settingsLock);
    return _packageDigests ? VLValue(*_packageDigests) : VLValue();
}

void VLRuntime::setPackageDigests(std::optional<VLDictionary> digests) {
    setLocked(_packageDigests, std::move(digests));
}

// Suspension and pausing.

void VLRuntime::setSuspended(bool suspended) {
    if (isTerminated() || _suspended.exchange(suspended) == suspended)
        return;
    updateLoop();
    // The engine tells its scripts' own objects (the timers); the notice is for the modules.
    _engine->setSuspended(suspended);
    postOnMainThread(VLRuntimeSuspendedDidChangeNotification);
}

void VLRuntime::setSuspensionReason(int64_t reason) {
    if (_suspensionReason.exchange(reason) == reason)
        return;
    if (isSuspended() && !isTerminated())
        postOnMainThread(VLRuntimeSuspendedDidChangeNotification);
}

void VLRuntime::setRenderingPaused(bool paused) {
    if (isTerminated() || _renderingPaused.exchange(paused) == paused)
        return;
    updateLoop();
}

void VLRuntime::updateLoop() {
    const bool paused = _suspended.load() || _renderingPaused.load();
    _playbackPaused.store(paused);
    if (paused)
        renderingLoop()->pause();
    else
        renderingLoop()->resume();
}

bool VLRuntime::setValueForKey(std::string_view key, const VLValue& value) {
    if (key == "suspensionReason") {
        const std::optional<int64_t> reason = reasonOf(value);
        if (reason)
            setSuspensionReason(*reason);
        return reason.has_value();
    }
    if (key == "renderingPaused") {
        const std::optional<double> paused = VLKeyValueNumber(value);
        if (paused)
            setRenderingPaused(*paused != 0);
        return paused.has_value();
    }
    return false;
}

uint32_t VLRuntime::preferredFramesPerSecond() const {
    return renderingLoop()->preferredFPS();
}

void VLRuntime::setPreferredFramesPerSecond(uint64_t framesPerSecond) {
    renderingLoop()->setPreferredFPS(uint32_t(framesPerSecond));
}

std::shared_ptr<VLRenderingLoop> VLRuntime::renderingLoop() const {
    if (std::shared_ptr<VLRenderingLoop> loop = _renderingLoop.load())
        return loop;
    std::lock_guard lock(_lock);
    std::shared_ptr<VLRenderingLoop> loop = _renderingLoop.load();
    if (!loop) {
        loop = VLRenderingLoop::create(_engine->runLoop());
        loop->setPendingWorkMaker([weakEngine = std::weak_ptr<VLJSEngine>(_engine)] {
            const std::shared_ptr<VLJSEngine> engine = weakEngine.lock();
            return engine ? engine->beginPendingWork() : nullptr;
        });
        _renderingLoop.store(loop);
    }
    return loop;
}

// Volume.

float VLRuntime::volume() const {
    std::lock_guard lock(_lock);
    return _volume;
}

bool VLRuntime::isMuted() const {
    std::lock_guard lock(_lock);
    return _muted;
}

bool VLRuntime::isMutedByUser() const {
    std::lock_guard lock(_lock);
    return _mutedByUser;
}

float VLRuntime::outputVolume() const {
    std::lock_guard lock(_lock);
    return _muted || _mutedByUser ? 0.0f : _volume;
}

void VLRuntime::setVolume(float volume) {
    setVolumeState(_volume, std::isnan(volume) ? 1.0f : std::clamp(volume, 0.0f, 1.0f));
}

void VLRuntime::setMuted(bool muted) {
    setVolumeState(_muted, muted);
}

void VLRuntime::setMutedByUser(bool muted) {
    setVolumeState(_mutedByUser, muted);
}

template <typename T>
void VLRuntime::setVolumeState(T& field, T value) {
    {
        std::lock_guard lock(_lock);
        if (field == value)
            return;
        field = value;
    }
    postOnMainThread(VLRuntimeVolumeDidChangeNotification);
}

void VLRuntime::postOnMainThread(const char* name) {
    if (VLMainQueue::isCurrent()) {
        VLNotificationCenter::defaultCenter().post(name, this);
        return;
    }
    VLMainQueue::async([weakSelf = weak_from_this(), name] {
        if (std::shared_ptr<VLRuntime> self = weakSelf.lock())
            VLNotificationCenter::defaultCenter().post(name, self.get());
    });
}

// Garbage collection.

void VLRuntime::setNeedsGarbageCollection() {
    {
        std::lock_guard lock(_lock);
        if (_terminated || _garbageCollectionPending)
            return;
        _garbageCollectionPending = true;
    }
    VLDelayScheduler::shared()->after(1.0, _engine->runLoop()->thread()->context(),
                                      [weakSelf = weak_from_this()] {
                                          if (std::shared_ptr<VLRuntime> self = weakSelf.lock())
                                              self->collectGarbage();
                                      });
}

void VLRuntime::collectGarbage() {
    _engine->runLoop()->performBlock([weakSelf = weak_from_this()] {
        std::shared_ptr<VLRuntime> self = weakSelf.lock();
        if (!self)
            return;
        {
            std::lock_guard lock(self->_lock);
            self->_garbageCollectionPending = false;
            if (self->_terminated)
                return;
        }
        if (VLJSContext* context = self->_engine->context()) {
            JSGarbageCollect(context->globalContext());
            ++self->_garbageCollectionCount;
        }
    });
}

// Parameters.

std::optional<std::string> VLRuntime::launchOptionsCall(std::string_view member, const VLValue& value) {
    const std::optional<std::string> json = VLJSONSerialization::dataWithJSONObject(value);
    if (!json)
        return std::nullopt;
    VLJSONWritingOptions fragment;
    fragment.fragmentsAllowed = true;
    const std::optional<std::string> text = VLJSONSerialization::dataWithJSONObject(VLValue(*json), fragment);
    return VLEmbeddedScriptCall("Runtime/launch-options", "." + std::string(member), {"this", *text});
}

void VLRuntime::updateParameters(const VLValue& parameters, ParametersCompletion completion) {
    auto reply = std::make_shared<ParametersReply>(std::move(completion));
    std::optional<std::string> call = launchOptionsCall("update", parameters);
    if (!call || isTerminated() || !_engine->runLoop()->isRunning())
        return; // the reply answers false as it goes
    _engine->runLoop()->performBlock([weakSelf = weak_from_this(), call = std::move(*call), reply] {
        std::shared_ptr<VLRuntime> self = weakSelf.lock();
        if (self && !self->isTerminated() && self->_engine->context())
            reply->send(self->applyParameters(call));
    });
}

bool VLRuntime::applyParameters(const std::string& call) {
    JSGlobalContextRef ctx = _engine->context()->globalContext();
    JSValueRef velto = VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "Velto");
    if (!velto || !JSValueIsObject(ctx, velto))
        return false;
    JSValueRef system = VLGetJSObjectProperty(ctx, JSValueToObject(ctx, velto, nullptr), "system");
    auto* binding = VLJSBindingGetObjectOfClass<VLEventedJSBindingBase>(ctx, system);
    if (!binding || !binding->hasHandlersForType("parameterschange"))
        return false;

    bool updated = false;
    // On the JavaScript thread the evaluation runs at once.
    _engine->evaluateScript(call, "launch-options.js",
                            [&](JSValueRef result, const std::optional<VLJSException>& exception) {
                                if (!result) {
                                    VLLogError("VLRuntime", "update parameters failed: %@",
                                               exception ? exception->message() : std::string());
                                    return;
                                }
                                updated = true;
                                if (JSValueIsObject(ctx, result))
                                    binding->triggerEvent("parameterschange", 1, &result);
                            });
    return updated;
}

// Network policy.

std::optional<std::string> VLRuntime::networkDenialForURL(const VLURL& url) const {
    std::optional<std::string> denial =
        VLNetworkDenialForURL(url, allowsNetworkAccess(), allowedNetworkHosts());
    if (const NetworkRequestObserver observer = networkRequestObserver())
        observer(url.absoluteString(), denial);
    return denial;
}

bool VLRuntime::checksNetworkAddresses() const {
    return allowsNetworkAccess() && allowedNetworkHosts().has_value();
}

void VLRuntime::checkNetworkAddressOfURL(const VLURL& url, NetworkAddressCompletion completion) {
    VLGlobalQueue::async([weakSelf = weak_from_this(), url, completion = std::move(completion)]() mutable {
        const bool local = hostResolvesToLocalNetwork(url.host().value_or(""));
        std::shared_ptr<VLRuntime> self = weakSelf.lock();
        if (!self || self->isTerminated())
            return;
        std::optional<std::string> denial;
        if (local)
            denial = VLLocalNetworkAddressDenial(url);
        self->_engine->runLoop()->performBlock(
            [weakSelf = std::move(weakSelf), denial = std::move(denial), completion = std::move(completion)] {
                std::shared_ptr<VLRuntime> self = weakSelf.lock();
                if (self && !self->isTerminated())
                    completion(denial);
            });
    });
}

bool VLRuntime::hostResolvesToLocalNetwork(std::string_view host) {
    return VLHostResolvesToLocalNetwork(host);
}

// Performance.

VLPerformanceObserverToken
VLRuntime::addPerformanceObserverWithHandler(VLPerformanceMonitor::Handler handler) {
    if (!_performanceMonitor)
        _performanceMonitor = VLPerformanceMonitor::create(shared_from_this());
    return _performanceMonitor->addObserverWithHandler(std::move(handler));
}

void VLRuntime::removePerformanceObserver(const VLPerformanceObserverToken& token) {
    if (_performanceMonitor)
        _performanceMonitor->removeObserver(token);
}

bool VLRuntime::canMeasureJavaScriptMemory() {
    return VLCanMeasureJavaScriptMemory();
}

uint64_t VLRuntime::javaScriptThreadIdentifier() const {
    return _engine->runLoop()->thread()->threadIdentifier();
}

double VLRuntime::javaScriptBusyDuration() const {
    const uint64_t busySince = _engine->runLoop()->thread()->busySince();
    const uint64_t now = VLUptimeNanoseconds();
    return busySince == 0 || busySince >= now ? 0 : double(now - busySince) / 1e9;
}

double VLRuntime::javaScriptCPUTime() const {
    return double(_engine->runLoop()->thread()->cpuTimeMicroseconds()) / 1e6;
}

// Windows.

std::shared_ptr<VLRuntime> VLRuntime::runtimeOwningWindow(const VLWSWindow& window) {
    const auto owner = std::dynamic_pointer_cast<VLRuntimeOwner>(window.delegate());
    return owner ? owner->runtime() : nullptr;
}

void VLRuntime::moveWidgetWindowToPlace(VLPoint place) {
    if (std::shared_ptr<VLWidgetWindowComponent> component = widgetWindowComponent())
        component->moveWidgetToPlace(place);
}

// The package.

void VLRuntime::loadPackage(LoadCompletion completion) {
    const std::optional<std::string> path = _bundle->pathForResource("index.js", std::nullopt);
    if (!path) {
        completion(VLMakeError(VLRuntimeErrorDomain, 202, "The package has no index.js"));
        return;
    }
    VLErrorRef readError;
    const std::optional<VLData> contents =
        _fileSystemManager->contentsOfFileAtPath(*path, &readError, kMaximumScriptLength);
    if (!contents) {
        completion(VLMakeError(VLRuntimeErrorDomain, 202, "Can't read index.js: %@",
                               readError ? readError->localizedDescription() : std::string()));
        return;
    }
    std::string script(contents->begin(), contents->end());
    if (!VLIsValidUTF8(script)) {
        const VLErrorRef cause =
            VLError::make(VLCocoaErrorDomain, 261, {{VLLocalizedDescriptionKey, "it isn't UTF-8"}});
        completion(
            VLMakeError(VLRuntimeErrorDomain, 202, "Can't read index.js: %@", cause->localizedDescription()));
        return;
    }
    if (script.empty()) {
        completion(nullptr);
        return;
    }
    _engine->evaluateScript(
        std::move(script), "index.js",
        [completion = std::move(completion)](JSValueRef result,
                                             const std::optional<VLJSException>& exception) {
            if (result)
                completion(nullptr);
            else // the message is the script's own text, never a format
                completion(VLMakeErrorWithMessage(VLRuntimeErrorDomain, 202,
                                                  exception ? exception->message() : std::string()));
        });
}

// Drop tokens.

std::vector<std::string> VLRuntime::registerDroppedFileURLs(const std::vector<VLURL>& urls) {
    std::vector<std::string> tokens;
    tokens.reserve(urls.size());
    std::lock_guard lock(_dropLock);
    for (const VLURL& url : urls) {
        std::string token = VLUUID().UUIDString();
        _droppedFiles.insert_or_assign(token, url);
        _droppedFileTokens.push_back(token);
        tokens.push_back(std::move(token));
    }
    while (_droppedFileTokens.size() > kDropTokenLimit) {
        _droppedFiles.erase(_droppedFileTokens.front());
        _droppedFileTokens.pop_front();
    }
    return tokens;
}

std::optional<VLURL> VLRuntime::fileURLForDropToken(std::string_view token) const {
    std::lock_guard lock(_dropLock);
    const auto found = _droppedFiles.find(token);
    return found == _droppedFiles.end() ? std::nullopt : std::optional<VLURL>(found->second);
}

void VLRuntime::forgetDropToken(std::string_view token) {
    std::lock_guard lock(_dropLock);
    const auto found = _droppedFiles.find(token);
    if (found == _droppedFiles.end())
        return;
    _droppedFileTokens.erase(std::find(_droppedFileTokens.begin(), _droppedFileTokens.end(), found->first));
    _droppedFiles.erase(found);
}

// Termination.

bool VLRuntime::isTerminated() const {
    std::lock_guard lock(_lock);
    return _terminated;
}

void VLRuntime::terminate() {
    {
        std::lock_guard lock(_lock);
        if (_terminated)
            return;
        _terminated = true;
    }
    // Only a loop that exists: termination makes none.
    if (std::shared_ptr<VLRenderingLoop> loop = _renderingLoop.load()) {
        loop->stop();
        loop->removeAllPorts();
    }
    _blobURLStore->removeAll();
    _fileSystemManager->runtimeDidTerminate();
    _engine->runLoop()->performBlock([weakEngine = std::weak_ptr(_engine)] {
        std::shared_ptr<VLJSEngine> engine = weakEngine.lock();
        VLJSContext* context = engine ? engine->context() : nullptr;
        if (!context)
            return;
        engine->terminateBindingContexts();
        VLNotificationCenter::defaultCenter().post(VLRuntimeWillTerminateNotification, nullptr,
                                                   {{VLRuntimeGlobalContextKey, context->globalContext()}});
    });
}
