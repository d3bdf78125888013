#pragma once

#include <string>
#include <string_view>

// Binds the EGL and OpenGL ES entry points of VLGLFunctions.h: opens the EGL and GLES libraries with
// dlopen and looks every core entry point up by name, once per process. The libraries stay loaded for
// the process's life. Any thread.
class VLGLLoader {
public:
    // The first call loads, later ones answer its outcome: true when both libraries opened and every
    // core entry point was found. On failure no pointer is bound.
    static bool load();
    // Why the load failed ("can't load libEGL.so.1: ..."); empty when it succeeded or has not run.
    static std::string failureReason();

    // The libraries to open, for tests that stand in a missing one; effective only before the first
    // load. "libEGL.so.1" and "libGLESv2.so.2" by default.
    static void setLibraryNames(std::string egl, std::string gles);
};

// Whether the space-separated extension list (as eglQueryString or glGetString answer it; null counts
// as empty) holds the name as a whole entry.
bool VLGLExtensionListContains(const char* list, std::string_view name);
