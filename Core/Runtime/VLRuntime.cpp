#include "Core/Runtime/VLRuntime.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <unordered_map>

namespace {

// Engine → the runtime that owns it; any thread, under the mutex.
struct EngineOwners {
    std::mutex lock;
    std::unordered_map<const VLJSEngine*, std::weak_ptr<VLRuntime>> runtimes;
};

EngineOwners& engineOwners() {
    static EngineOwners* owners = new EngineOwners(); // outlives runtimes released during exit
    return *owners;
}

} // namespace

std::shared_ptr<VLRuntime> VLRuntime::create() {
    std::shared_ptr<VLRuntime> runtime(new VLRuntime());
    runtime->start();
    return runtime;
}

VLRuntime::VLRuntime() = default;

VLRuntime::~VLRuntime() {
    EngineOwners& owners = engineOwners();
    std::lock_guard lock(owners.lock);
    owners.runtimes.erase(_engine.get());
}

std::shared_ptr<VLRuntime> VLRuntime::runtimeOwningEngine(const VLJSEngine& engine) {
    EngineOwners& owners = engineOwners();
    std::lock_guard lock(owners.lock);
    const auto found = owners.runtimes.find(&engine);
    return found == owners.runtimes.end() ? nullptr : found->second.lock();
}

void VLRuntime::start() {
    _engine = VLJSEngine::create();
    {
        EngineOwners& owners = engineOwners();
        std::lock_guard lock(owners.lock);
        owners.runtimes[_engine.get()] = weak_from_this();
    }
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
        if (VLJSContext* context = self->_engine->context())
            JSGarbageCollect(context->globalContext());
    });
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
