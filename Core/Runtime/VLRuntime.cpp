#include "Core/Runtime/VLRuntime.h"

#include "Core/Engine/VLJSBindingContext.h"
#include "Core/Engine/VLJSEngine.h"
#include "Core/Engine/VLRunLoop.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLStringWithFormat.h"

std::shared_ptr<VLRuntime> VLRuntime::create() {
    std::shared_ptr<VLRuntime> runtime(new VLRuntime());
    runtime->start();
    return runtime;
}

VLRuntime::VLRuntime() = default;

VLRuntime::~VLRuntime() = default;

void VLRuntime::start() {
    _engine = VLJSEngine::create();
    _engine->evaluateScript(
        VLStringWithFormat("Object.defineProperty(Velto, 'apiVersion', { value: %ld, enumerable: true });",
                           VLRuntimeAPIVersion),
        "api-version.js", VLJSEngine::EvaluationCompletion());
}

void VLRuntime::setSuspended(bool suspended) {
    if (isTerminated() || _suspended.exchange(suspended) == suspended)
        return;
    postOnMainThread(VLRuntimeSuspendedDidChangeNotification);
}

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
    _engine->runLoop()->performBlock([weakEngine = std::weak_ptr(_engine)] {
        std::shared_ptr<VLJSEngine> engine = weakEngine.lock();
        VLJSContext* context = engine ? engine->context() : nullptr;
        if (!context)
            return;
        for (const std::shared_ptr<VLJSBindingContext>& bindingContext : engine->bindingContexts())
            bindingContext->setTerminated(true);
        VLNotificationCenter::defaultCenter().post(VLRuntimeWillTerminateNotification, nullptr,
                                                   {{VLRuntimeGlobalContextKey, context->globalContext()}});
    });
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
