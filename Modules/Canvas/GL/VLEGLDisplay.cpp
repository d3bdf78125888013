#include "Modules/Canvas/GL/VLEGLDisplay.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Graphics/VLGLLoader.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr const char* kLogTag = "VLEGLContext";

// Everything the display functions share, under the lock; the failed flag is read without it.
struct DisplayState {
    std::mutex lock;
    EGLDisplay display = EGL_NO_DISPLAY;
    uint64_t liveContexts = 0;
    bool driverPinned = false;
    std::atomic<bool> failed{false};
};

DisplayState& displayState() {
    static DisplayState* state = new DisplayState; // never destroyed: contexts may end during exit
    return *state;
}

// The path of the first loaded object whose name holds the fragment, or empty.
std::string loadedObjectPath(const char* fragment) {
    struct Search {
        const char* fragment;
        std::string path;
    } search{fragment, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* search = static_cast<Search*>(data);
            if (!info->dlpi_name || !std::strstr(info->dlpi_name, search->fragment))
                return 0;
            search->path = info->dlpi_name;
            return 1;
        },
        &search);
    return search.path;
}

// Mesa unloads its driver module when the last display ends; then LeakSanitizer would blame what the
// driver keeps for the process on a module it can no longer name. Once the driver is in, it stays.
void pinDriverModule(DisplayState& state) {
    if (state.driverPinned)
        return;
    const std::string path = loadedObjectPath("_dri.so");
    if (!path.empty() && dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
        state.driverPinned = true;
}

// Under the lock.
EGLDisplay makeDisplay(DisplayState& state) {
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) {
        pinDriverModule(state);
        return display;
    }
    VLLogError(kLogTag, "Canvas is unavailable: ANGLE couldn't initialize Metal (EGL error 0x%x)",
               eglGetError());
    state.failed.store(true);
    return EGL_NO_DISPLAY;
}

// Under the lock.
void terminateDisplay(DisplayState& state) {
    if (state.display == EGL_NO_DISPLAY)
        return;
    eglTerminate(state.display);
    state.display = EGL_NO_DISPLAY;
}

} // namespace

bool loadEGL() {
    static const bool loaded = [] {
        if (VLGLLoader::load())
            return true;
        VLLogError(kLogTag, "Canvas is unavailable: %@", VLGLLoader::failureReason());
        return false;
    }();
    return loaded;
}

bool VLEGLIsSupported() {
    return loadEGL() && !displayState().failed.load();
}

EGLDisplay eglGetDefaultDisplay() {
    DisplayState& state = displayState();
    std::lock_guard guard(state.lock);
    if (state.display == EGL_NO_DISPLAY && VLEGLIsSupported())
        state.display = makeDisplay(state);
    return state.display;
}

void eglTerminateDefaultDisplay() {
    DisplayState& state = displayState();
    std::lock_guard guard(state.lock);
    terminateDisplay(state);
}

void VLEGLDisplayAddContext() {
    DisplayState& state = displayState();
    std::lock_guard guard(state.lock);
    ++state.liveContexts;
}

void VLEGLDisplayRemoveContext() {
    DisplayState& state = displayState();
    std::lock_guard guard(state.lock);
    if (state.liveContexts > 0 && --state.liveContexts == 0)
        terminateDisplay(state);
}
