#include "Platform/Graphics/VLGLLoader.h"

#include "Platform/Graphics/VLGLFunctions.h"

#include <dlfcn.h>

#include <mutex>
#include <vector>

namespace VLGLEntryPoints {

#define VL_GL_DEFINE_ENTRY_POINT(name, type) type name = nullptr;
VL_EGL_CORE_FUNCTIONS(VL_GL_DEFINE_ENTRY_POINT)
VL_GLES_CORE_FUNCTIONS(VL_GL_DEFINE_ENTRY_POINT)
#undef VL_GL_DEFINE_ENTRY_POINT

PFNGLGETGRAPHICSRESETSTATUSEXTPROC glGetGraphicsResetStatusEXT = nullptr;

} // namespace VLGLEntryPoints

namespace {

// Guarded by its lock, except the once flag, which guards the load itself.
struct LoaderState {
    std::once_flag once;
    std::mutex lock;
    std::string eglName = "libEGL.so.1";
    std::string glesName = "libGLESv2.so.2";
    bool started = false;
    bool loaded = false;
    std::string failureReason;
};

LoaderState& loaderState() {
    static LoaderState* state = new LoaderState; // never destroyed: other threads may ask during exit
    return *state;
}

// The library's handle, or null with the reason.
void* openLibrary(const std::string& name, std::string& failureReason) {
    void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        failureReason = "can't load " + (error ? std::string(error) : name);
    }
    return library;
}

// Looks every name of one list up, into symbols; false with the reason at the first one missing.
class SymbolLookup {
public:
    SymbolLookup(void* library, const std::string& libraryName, std::string& failureReason)
        : _library(library), _libraryName(libraryName), _failureReason(failureReason) {}

    bool find(const char* name, std::vector<void*>& symbols) {
        void* symbol = dlsym(_library, name);
        if (!symbol) {
            _failureReason = _libraryName + " has no " + name;
            return false;
        }
        symbols.push_back(symbol);
        return true;
    }

private:
    void* _library;
    const std::string& _libraryName;
    std::string& _failureReason;
};

// Binds every pointer, or none: the symbols are gathered first and assigned only once all were found.
bool bindEntryPoints(void* egl, void* gles, const LoaderState& names, std::string& failureReason) {
    std::vector<void*> symbols;
    SymbolLookup eglLookup(egl, names.eglName, failureReason);
    SymbolLookup glesLookup(gles, names.glesName, failureReason);
#define VL_GL_FIND_EGL(name, type)                                                                           \
    if (!eglLookup.find(#name, symbols))                                                                     \
        return false;
#define VL_GL_FIND_GLES(name, type)                                                                          \
    if (!glesLookup.find(#name, symbols))                                                                    \
        return false;
    VL_EGL_CORE_FUNCTIONS(VL_GL_FIND_EGL)
    VL_GLES_CORE_FUNCTIONS(VL_GL_FIND_GLES)
#undef VL_GL_FIND_EGL
#undef VL_GL_FIND_GLES

    size_t index = 0;
#define VL_GL_ASSIGN(name, type) VLGLEntryPoints::name = reinterpret_cast<type>(symbols[index++]);
    VL_EGL_CORE_FUNCTIONS(VL_GL_ASSIGN)
    VL_GLES_CORE_FUNCTIONS(VL_GL_ASSIGN)
#undef VL_GL_ASSIGN
    VLGLEntryPoints::glGetGraphicsResetStatusEXT = reinterpret_cast<PFNGLGETGRAPHICSRESETSTATUSEXTPROC>(
        VLGLEntryPoints::eglGetProcAddress("glGetGraphicsResetStatusEXT"));
    return true;
}

void loadOnce(LoaderState& state) {
    std::lock_guard guard(state.lock);
    state.started = true;
    void* egl = openLibrary(state.eglName, state.failureReason);
    void* gles = egl ? openLibrary(state.glesName, state.failureReason) : nullptr;
    state.loaded = gles && bindEntryPoints(egl, gles, state, state.failureReason);
    if (!state.loaded) {
        if (gles)
            dlclose(gles);
        if (egl)
            dlclose(egl);
    }
    // Loaded libraries stay open for the process's life.
}

} // namespace

bool VLGLLoader::load() {
    LoaderState& state = loaderState();
    std::call_once(state.once, loadOnce, state);
    std::lock_guard guard(state.lock);
    return state.loaded;
}

std::string VLGLLoader::failureReason() {
    LoaderState& state = loaderState();
    std::lock_guard guard(state.lock);
    return state.failureReason;
}

void VLGLLoader::setLibraryNames(std::string egl, std::string gles) {
    LoaderState& state = loaderState();
    std::lock_guard guard(state.lock);
    if (state.started)
        return;
    state.eglName = std::move(egl);
    state.glesName = std::move(gles);
}

bool VLGLExtensionListContains(const char* list, std::string_view name) {
    if (!list || name.empty())
        return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const size_t end = rest.find(' ');
        if (rest.substr(0, end) == name)
            return true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}
