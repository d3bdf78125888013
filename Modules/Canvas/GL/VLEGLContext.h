#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"
#include "Modules/Canvas/GL/VLGLLogger.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Graphics/VLGLFunctions.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class VLEGLDrawable;
class VLEGLSharegroup;
class VLGLMemoryTracker;

// One OpenGL ES 2 or 3 context on the process's display (VLEGLDisplay.h), in a share group whose
// contexts share GL objects. Never current when made; current on at most one thread at a time, and
// only through setCurrentContext() and the scoped entries (VLEGLContextScope.h), which keep the
// per-thread record that currentContext() reads. Contexts are surfaceless while current.
//
// Made with create(); the fields are fixed once made, except the reset kind (atomic) and the
// pixel-store mark, which the thread that has the context current reads and writes. The destructor may
// run on any thread.
class VLEGLContext : public std::enable_shared_from_this<VLEGLContext> {
public:
    // GPU reset kinds, as checkReset() answers them.
    enum Reset : int { ResetNone = 0, ResetGuilty = 1, ResetInnocent = 2, ResetUnknown = 3 };

    // A context of the api (2 or 3; on Mesa an ES 2 request gets an ES 3.2 context, and api() stays
    // what was asked) in the group, or in a new group of its own when none is given. Invalid (and
    // answering false wherever it is used) when EGL cannot start or refuses the context.
    static std::shared_ptr<VLEGLContext> create(int api);
    static std::shared_ptr<VLEGLContext> create(int api, std::shared_ptr<VLEGLSharegroup> sharegroup);
    static std::shared_ptr<VLEGLContext> create(int api, std::shared_ptr<VLEGLSharegroup> sharegroup,
                                                bool clientArraysEnabled);
    ~VLEGLContext();
    VLEGLContext(const VLEGLContext&) = delete;
    VLEGLContext& operator=(const VLEGLContext&) = delete;

    // The context recorded as current on the calling thread, or nullptr.
    static std::shared_ptr<VLEGLContext> currentContext();
    // Makes the context current on the calling thread and records it; false (record unchanged) when the
    // context is invalid or EGL refuses, as it does for a context current on another thread. nullptr
    // clears the record and releases the thread's context.
    static bool setCurrentContext(const std::shared_ptr<VLEGLContext>& context);

    // The group; for the group's hidden context, the group while it exists.
    std::shared_ptr<VLEGLSharegroup> sharegroup() const;
    int api() const { return _api; }
    bool isValid() const { return _eglContext != EGL_NO_CONTEXT; }
    bool clientArraysEnabled() const { return _clientArraysEnabled; }
    EGLContext eglContext() const { return _eglContext; }
    EGLDisplay eglDisplay() const { return _eglDisplay; }
    // The memory tracker of the share group, kept here so that the GL wrappers reach it without the
    // group's lock.
    VLGLMemoryTracker* memoryTracker() const { return _memoryTracker.get(); }

    // The reset kind found so far; once not ResetNone it never changes.
    Reset reset() const { return _reset.load(); }
    // Asks the context current on the calling thread (callers make this one current first) whether the
    // GPU reset it, and keeps the first kind found.
    Reset checkReset();
    // Tests stand in the status that the next checkReset() reads, since llvmpipe never resets.
    void setResetStatusForTesting(GLenum status) { _resetStatusForTesting = status; }

    // Gives the renderbuffer bound to the target RGBA8 storage of the size (each side at least 1), counted
    // by the memory tracker, and keeps the drawable as the receiver of its pictures, in place of an
    // earlier one. On the thread that has this context current.
    bool renderbufferStorage(GLenum target, std::shared_ptr<VLEGLDrawable> drawable, int32_t width,
                             int32_t height);
    // Puts the picture of the framebuffer bound to GL_FRAMEBUFFER into the next surface of the drawable
    // kept for the bound renderbuffer, upright, and shows it. The picture is read back once; the copy is
    // complete when this returns. False, with nothing drawn, without a drawable, with framebuffer 0 bound
    // or when the drawable has no surface. On the thread that has this context current.
    bool presentRenderbuffer(GLenum target);
    // The surface bytes of every drawable kept. Any thread.
    uint64_t drawableMemorySize() const;

    // Set by WebGL while its pixel-store state or pixel buffer bindings differ from the engine's
    // defaults; VLGLWithDefaultPixelStore reads it.
    bool pixelStoreMayDiffer() const { return _pixelStoreMayDiffer; }
    void setPixelStoreMayDiffer(bool differ) { _pixelStoreMayDiffer = differ; }

    // GL diagnostics, through the logger of the share group of the calling thread's current context;
    // nothing without one (the arguments are then not even formatted).
    template <typename... Arguments>
    static void vllog_log(std::string_view format, const Arguments&... arguments) {
        logWithLevel(&VLGLLogger::logUsingLogLevelWithContent, format, arguments...);
    }
    template <typename... Arguments>
    static void vllog_info(std::string_view format, const Arguments&... arguments) {
        logWithLevel(&VLGLLogger::logUsingInfoLevelWithContent, format, arguments...);
    }
    template <typename... Arguments>
    static void vllog_warn(std::string_view format, const Arguments&... arguments) {
        logWithLevel(&VLGLLogger::logUsingWarnLevelWithContent, format, arguments...);
    }
    template <typename... Arguments>
    static void vllog_error(std::string_view format, const Arguments&... arguments) {
        logWithLevel(&VLGLLogger::logUsingErrorLevelWithContent, format, arguments...);
    }

private:
    friend class VLEGLSharegroup;

    VLEGLContext(int api, bool clientArraysEnabled);
    // The share group's hidden context, which refers to its group without keeping it.
    static std::shared_ptr<VLEGLContext>
    createHidden(int api, const std::shared_ptr<VLEGLSharegroup>& sharegroup, bool clientArraysEnabled);
    void start(const std::shared_ptr<VLEGLSharegroup>& sharegroup);
    void makeEGLContext(const std::shared_ptr<VLEGLSharegroup>& sharegroup);
    static std::shared_ptr<VLGLLogger> currentLogger();
    // Each drawable frees its surfaces; the map is emptied.
    void destroyDrawables();
    template <typename... Arguments>
    static void logWithLevel(void (VLGLLogger::*level)(const std::string&), std::string_view format,
                             const Arguments&... arguments) {
        if (std::shared_ptr<VLGLLogger> logger = currentLogger())
            ((*logger).*level)(VLStringWithFormat(format, arguments...));
    }

    EGLContext _eglContext = EGL_NO_CONTEXT;
    EGLDisplay _eglDisplay = EGL_NO_DISPLAY;
    const bool _clientArraysEnabled;
    bool _pixelStoreMayDiffer = false;
    std::shared_ptr<VLEGLSharegroup> _sharegroup;   // every context but the hidden one
    std::weak_ptr<VLEGLSharegroup> _weakSharegroup; // the hidden one
    const int _api;
    std::atomic<Reset> _reset{ResetNone};
    std::optional<GLenum> _resetStatusForTesting;
    std::optional<bool> _hasRobustness; // whether GL offers the reset status, asked once
    std::shared_ptr<VLGLMemoryTracker> _memoryTracker;
    mutable VLUnfairLock _drawableLock; // guards _drawableMap
    // Renderbuffer name → its drawable.
    std::map<GLuint, std::shared_ptr<VLEGLDrawable>> _drawableMap;
    // The last picture read back, reused from frame to frame by the thread that has the context current.
    std::vector<uint8_t> _presentPixels;
};
