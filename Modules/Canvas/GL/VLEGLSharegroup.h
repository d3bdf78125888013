#pragma once

#include "Modules/Canvas/GL/VLGLLogger.h"

#include <functional>
#include <memory>
#include <mutex>

class VLEGLContext;
class VLGLMemoryTracker;

// The contexts of one runtime, which share GL objects. The first context to join is kept weakly; when a
// second one joins, the group makes a hidden context of its own, sharing with the first, and every later
// context shares with it, so the group's objects outlive any one of its contexts. It also holds the GL
// logger provider and the memory tracker of its contexts.
//
// Made with std::make_shared; any thread, under its own lock.
class VLEGLSharegroup : public std::enable_shared_from_this<VLEGLSharegroup> {
public:
    using LoggerProvider = std::function<std::shared_ptr<VLGLLogger>()>;

    VLEGLSharegroup() = default;
    ~VLEGLSharegroup();
    VLEGLSharegroup(const VLEGLSharegroup&) = delete;
    VLEGLSharegroup& operator=(const VLEGLSharegroup&) = delete;

    // Called by a context being made, before its EGL context exists; the context then shares with
    // sharedContext(). The second context to join makes the hidden context.
    void addContext(const std::shared_ptr<VLEGLContext>& context);
    // The context that contexts joining now share with, or nullptr while there is at most one.
    std::shared_ptr<VLEGLContext> sharedContext() const;

    // The logger that the provider answers, or nullptr without a provider.
    std::shared_ptr<VLGLLogger> vl_logger() const;
    void vl_setLoggerProviderBlock(LoggerProvider provider);
    void vl_removeLoggerProvider();

    // The group's memory tracker, made on first call (VLGLMemoryTracker::trackerForSharegroup).
    std::shared_ptr<VLGLMemoryTracker> memoryTracker();

private:
    // Recursive: making the hidden context joins it to this group from within addContext().
    mutable std::recursive_mutex _lock;
    std::weak_ptr<VLEGLContext> _firstContext;
    std::shared_ptr<VLEGLContext> _sharedContext;
    LoggerProvider _loggerProvider;
    std::shared_ptr<VLGLMemoryTracker> _memoryTracker;
};
