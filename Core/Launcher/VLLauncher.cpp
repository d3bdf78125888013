#include "Core/Launcher/VLLauncher.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Parts/VLServiceLocator.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Launcher/Services/VLScreenManagerContract.h"
#include "Core/Launcher/Services/VLSystemStatusMonitorContract.h"
#include "Core/Launcher/VLBundleProvider.h"
#include "Core/Launcher/VLDynamicCodeMessageHandler.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Launcher/VLStagableTask.h"
#include "Core/Launcher/VLStagableTaskBuilder.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUUID.h"

#include <filesystem>

namespace {

using StageContext = std::shared_ptr<VLStagableTaskStageContext>;

// The payload's name, or else the package directory's.
std::string engineName(const VLLaunchPayload& payload, const VLBundle& bundle) {
    return payload.name().empty() ? std::string(VLLastPathComponent(bundle.bundlePath())) : payload.name();
}

void hideFromWebInspector(const VLRuntime& runtime) {
    runtime.engine()->runLoop()->performBlock([weakEngine = std::weak_ptr(runtime.engine())] {
        std::shared_ptr<VLJSEngine> engine = weakEngine.lock();
        if (engine && engine->context())
            JSGlobalContextSetInspectable(engine->context()->globalContext(), false);
    });
}

// In the order the runtime's readers expect them; volume and muting may post the volume notice.
void copySettings(const VLLaunchPayload& payload, VLRuntime& runtime) {
    runtime.setAllowsNetworkAccess(payload.allowsNetworkAccess());
    runtime.setAllowsAudio(payload.allowsAudio());
    runtime.setAllowsSystemInformation(payload.allowsSystemInformation());
    runtime.setAllowsAppFiles(payload.allowsAppFiles());
    runtime.setAllowedWindowTypes(payload.allowedWindowTypes());
    runtime.setAllowedNetworkHosts(payload.allowedNetworkHosts());
    runtime.setAllowsKeyboard(payload.allowsKeyboard());
    runtime.setAllowsGlobalMouse(payload.allowsGlobalMouse());
    runtime.setAllowsKeyActivity(payload.allowsKeyActivity());
    runtime.setAsksForInputMonitoring(payload.asksForInputMonitoring());
    runtime.setAllowsSystemAudio(VLLaunchPayloadAllowsSystemAudio(payload, runtime.engine()->name()));
    runtime.setAllowsDetailedSystemAudio(payload.allowsDetailedSystemAudio());
    runtime.setAsksForSystemAudio(payload.asksForSystemAudio());
    runtime.setSimulatesSystemAudio(payload.simulatesSystemAudio());
    runtime.setAllowsWindowPositions(payload.allowsWindowPositions());
    runtime.setAllowsFileDrops(payload.allowsFileDrops());
    runtime.setUserFilesProvider(payload.userFilesProvider());
    runtime.setRestrictsWindows(payload.restrictsWindows());
    runtime.setWidgetSizing(payload.widgetSizing());
    runtime.setDataQuota(payload.dataQuota());
    runtime.setPackageDigests(payload.packageDigests());
    runtime.setNetworkRequestObserver(payload.networkRequestObserver());
    runtime.setVolume(payload.volume());
    runtime.setMuted(payload.muted());
    runtime.setMutedByUser(payload.mutedByUser());
    runtime.setHostView(payload.hostView());
    runtime.setHostArea(payload.hostArea());
    runtime.setDevicePixelRatio(payload.devicePixelRatio());
    runtime.setDataPath(payload.dataPath());
    runtime.setMessagingPackage(payload.messagingPackage());
    runtime.setMessagingNamespace(payload.messagingNamespace());
}

void registerHandlers(const VLLaunchPayload& payload, VLJSEngine& engine) {
    engine.setConsoleHandler(payload.consoleHandler());
    engine.setExceptionHandler(payload.exceptionHandler());
    for (const auto& [name, handler] : payload.scriptMessageHandlers())
        engine.addScriptMessageHandler(handler, name);
}

// The "load package" stage: settings and handlers, then the launch options, the dynamic-code recording
// and the package, each script on the JavaScript thread after the previous one. A launcher released
// meanwhile ends the launch at the next step: the runtime is terminated and the task cancelled.
class PackageLoading {
public:
    PackageLoading(std::weak_ptr<VLLauncher> launcher, std::shared_ptr<VLLaunchPayload> payload,
                   std::shared_ptr<VLRuntime> runtime, StageContext context)
        : _launcher(std::move(launcher)), _payload(std::move(payload)), _runtime(std::move(runtime)),
          _context(std::move(context)) {}

    static void start(const std::shared_ptr<PackageLoading>& loading) {
        const std::shared_ptr<VLLauncher> launcher = loading->launcherOrEnd();
        if (!launcher)
            return;
        const VLLaunchPayload& payload = *loading->_payload;
        copySettings(payload, *loading->_runtime);
        if (!payload.dataPath().empty()) {
            std::error_code ignored; // the data directory is only a convenience here
            std::filesystem::create_directories(payload.dataPath(), ignored);
        }
        registerHandlers(payload, *loading->_runtime->engine());
        launcher->injectLaunchOptions(payload.options(), loading->_runtime, [loading] { record(loading); });
    }

private:
    static void record(const std::shared_ptr<PackageLoading>& loading) {
        if (const std::shared_ptr<VLLauncher> launcher = loading->launcherOrEnd())
            launcher->recordDynamicCodeInRuntime(loading->_runtime, loading->_payload->dynamicCodeHandler(),
                                                 [loading] { load(loading); });
    }

    static void load(const std::shared_ptr<PackageLoading>& loading) {
        if (loading->launcherOrEnd())
            loading->_runtime->loadPackage([loading](const VLErrorRef& error) { loading->finish(error); });
    }

    void finish(const VLErrorRef& error) {
        if (!launcherOrEnd())
            return;
        if (error) {
            _runtime->terminate();
            _context->reject(error);
        } else {
            _context->fulfill(_runtime);
        }
    }

    // The launcher, or nothing once the launch has been ended for want of it.
    std::shared_ptr<VLLauncher> launcherOrEnd() const {
        std::shared_ptr<VLLauncher> launcher = _launcher.lock();
        if (!launcher) {
            _runtime->terminate();
            _context->cancel();
        }
        return launcher;
    }

    const std::weak_ptr<VLLauncher> _launcher;
    const std::shared_ptr<VLLaunchPayload> _payload;
    const std::shared_ptr<VLRuntime> _runtime;
    const StageContext _context;
};

// What a stage handed on, for the log.
VLValue describe(const VLStagableTaskObject& object) {
    if (const auto* runtime = std::any_cast<std::shared_ptr<VLRuntime>>(&object))
        return VLStringWithFormat("<VLRuntime: %@>", (*runtime)->identity());
    if (const auto* bundle = std::any_cast<std::shared_ptr<VLBundle>>(&object))
        return VLStringWithFormat("<VLBundle: %@>", (*bundle)->bundlePath());
    return VLValue();
}

// Logs a launch script that threw, with the exception's message.
VLJSEngine::EvaluationCompletion loggingFailure(const char* format, VLLauncher::Block completion) {
    return [format, completion = std::move(completion)](JSValueRef result,
                                                        const std::optional<VLJSException>& exception) {
        if (!result)
            VLLogError("VLLauncher", format, exception ? exception->message() : std::string());
        completion();
    };
}

} // namespace

std::shared_ptr<VLLauncher> VLLauncher::create(std::shared_ptr<VLManager> manager) {
    return std::shared_ptr<VLLauncher>(new VLLauncher(std::move(manager)));
}

VLLauncher::VLLauncher(std::shared_ptr<VLManager> manager)
    : _manager(std::move(manager)),
      _queue(VLDispatchQueue::create(std::string(kVLReverseDomainPrefix) + ".launcher")) {
    VLServiceLocator& locator = VLServiceLocator::sharedInstance();
    // Off the main thread the screen manager waits for its first use, as it could not compute its
    // visible frames at once there.
    if (VLMainQueue::isCurrent()) {
        if (auto screens = locator.resolve<VLScreenManagerContract>())
            screens->makeSharedInstance();
    }
    if (auto systemStatus = locator.resolve<VLSystemStatusMonitorContract>())
        systemStatus->makeSharedInstance();
}

void VLLauncher::launchWithPayload(std::shared_ptr<VLLaunchPayload> payload, Completion completion) {
    std::shared_ptr<VLStagableTask> task = createLaunchTaskWithLaunchPayload(std::move(payload));
    task->setOnCompletion([weakSelf = weak_from_this(), completion = std::move(completion)](
                              const VLStagableTaskObject& object, const VLErrorRef& error) {
        std::shared_ptr<VLLauncher> self = weakSelf.lock();
        if (!self)
            return;
        const auto* runtime = std::any_cast<std::shared_ptr<VLRuntime>>(&object);
        if (runtime && *runtime)
            self->_manager->onLaunchSuccess(*runtime);
        if (completion)
            completion(runtime ? *runtime : nullptr, error);
    });
    task->startUnderQueue(_queue);
}

std::shared_ptr<VLStagableTask>
VLLauncher::createLaunchTaskWithLaunchPayload(std::shared_ptr<VLLaunchPayload> payload) {
    const std::weak_ptr<VLLauncher> weakSelf = weak_from_this();
    VLStagableTaskBuilder builder;

    builder.addStageWithName("fetch package bundle", [weakSelf, payload](const StageContext& context,
                                                                         const VLStagableTaskObject&) {
        if (weakSelf.expired()) {
            context->cancel();
            return;
        }
        VLBundleProvider::sharedInstance().fetchPackageBundleWithLaunchPayload(
            *payload, [context](const std::shared_ptr<VLBundle>& bundle, const VLErrorRef& error) {
                if (error)
                    context->reject(error);
                else
                    context->fulfill(bundle);
            });
    });

    builder.addStageWithName("make runtime", [weakSelf, payload](const StageContext& context,
                                                                 const VLStagableTaskObject& previous) {
        if (weakSelf.expired()) {
            context->cancel();
            return;
        }
        const auto& bundle = std::any_cast<const std::shared_ptr<VLBundle>&>(previous);
        std::shared_ptr<VLRuntime> runtime = VLRuntime::create(bundle);
        runtime->engine()->setName(engineName(*payload, *bundle));
        // Every time: no version of the system here says whether an inspector could see it.
        if (payload->hidesFromWebInspector())
            hideFromWebInspector(*runtime);
        if (payload->runtimeHandler())
            payload->runtimeHandler()(runtime);
        context->fulfill(runtime);
    });

    builder.addStageWithName("load package", [weakSelf, payload](const StageContext& context,
                                                                 const VLStagableTaskObject& previous) {
        PackageLoading::start(std::make_shared<PackageLoading>(
            weakSelf, payload, std::any_cast<const std::shared_ptr<VLRuntime>&>(previous), context));
    });

    std::shared_ptr<VLStagableTask> task = builder.build();
    task->addDelegate(shared_from_this());
    return task;
}

void VLLauncher::injectLaunchOptions(const std::optional<VLDictionary>& options,
                                     const std::shared_ptr<VLRuntime>& runtime, Block completion) {
    std::optional<std::string> call =
        VLRuntime::launchOptionsCall("publish", options.value_or(VLDictionary()));
    runtime->engine()->evaluateScript(
        call ? std::move(*call) : *VLRuntime::launchOptionsCall("publish", VLDictionary()),
        "launch-options.js", loggingFailure("inject launch options failed: %@", std::move(completion)));
}

void VLLauncher::recordDynamicCodeInRuntime(const std::shared_ptr<VLRuntime>& runtime,
                                            VLLaunchPayload::DynamicCodeHandler handler, Block completion) {
    if (!handler) {
        completion();
        return;
    }
    const std::string name = "__veltoDynamicCode-" + VLUUID().UUIDString();
    const std::shared_ptr<VLJSEngine>& engine = runtime->engine();
    engine->addScriptMessageHandler(std::make_shared<VLDynamicCodeMessageHandler>(std::move(handler)), name);
    VLJSONWritingOptions fragment;
    fragment.fragmentsAllowed = true;
    engine->evaluateScript(VLEmbeddedScriptCall("Launcher/dynamic-code-recording", "",
                                                {"this", "this.postMessage",
                                                 *VLJSONSerialization::dataWithJSONObject(name, fragment)}),
                           "dynamic-code-recording.js",
                           loggingFailure("recording dynamic code failed: %@", std::move(completion)));
}

void VLLauncher::stagableTaskDidStartStage(VLStagableTask&, const std::string& stage) {
    VLLogDebug("VLLauncher", "Task Start: %@", stage);
}

void VLLauncher::stagableTaskDidFinishStage(VLStagableTask&, const std::string& stage,
                                            const VLStagableTaskObject& payload, const VLErrorRef& error) {
    if (error)
        VLLogError("VLLauncher", "Task Finish: %@ \nerror: %@", stage, error->localizedDescription());
    else
        VLLogDebug("VLLauncher", "Task Finish: %@ \npayload: %@", stage, describe(payload));
}
