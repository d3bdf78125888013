#include "Core/Engine/JS/VLJSMainThread.h"

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>

namespace {

bool isProcessMainThread() {
    return syscall(SYS_gettid) == getpid();
}

// Runs when the library is loaded, which for every host of ours happens on the main thread.
__attribute__((constructor)) void initializeMainThreadAtLoad() {
    VLJSInitializeMainThread();
}

} // namespace

void VLJSInitializeMainThread() {
    static std::once_flag once;
    if (!isProcessMainThread())
        return;
    std::call_once(once, [] {
        // WTF::initializeMainThread(), exported by the library but declared in no public header.
        using Initializer = void (*)();
        if (auto initialize =
                reinterpret_cast<Initializer>(dlsym(RTLD_DEFAULT, "_ZN3WTF20initializeMainThreadEv")))
            initialize();
    });
}
