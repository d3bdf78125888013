#include "Core/Engine/JS/VLJSAPILock.h"

#include <dlfcn.h>

namespace {

// JavaScriptCore's private entry points; looked up at run time, never linked.
using VLJSLockFunction = void (*)(JSContextRef ctx);

struct VLJSLockFunctions {
    VLJSLockFunction lock;
    VLJSLockFunction unlock;
};

const VLJSLockFunctions& lockFunctions() {
    static const VLJSLockFunctions functions = [] {
        auto lock = reinterpret_cast<VLJSLockFunction>(dlsym(RTLD_DEFAULT, "JSLock"));
        auto unlock = reinterpret_cast<VLJSLockFunction>(dlsym(RTLD_DEFAULT, "JSUnlock"));
        // Both or neither.
        return lock && unlock ? VLJSLockFunctions{lock, unlock} : VLJSLockFunctions{nullptr, nullptr};
    }();
    return functions;
}

} // namespace

VLJSAPILock::VLJSAPILock(JSContextRef ctx) : _ctx(lockFunctions().lock ? ctx : nullptr) {
    if (_ctx)
        lockFunctions().lock(_ctx);
}

VLJSAPILock::~VLJSAPILock() {
    if (_ctx)
        lockFunctions().unlock(_ctx);
}
