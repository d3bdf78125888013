#include "Modules/Canvas/GL/VLEGLSharegroup.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"

VLEGLSharegroup::~VLEGLSharegroup() = default;

void VLEGLSharegroup::addContext(const std::shared_ptr<VLEGLContext>& context) {
    std::lock_guard guard(_lock);
    std::shared_ptr<VLEGLContext> firstContext = _firstContext.lock();
    if (!firstContext) {
        _firstContext = context;
        return;
    }
    if (_sharedContext)
        return;
    // The hidden context shares with the first one (it joins while the first stands as the shared
    // context, and so does nothing more here), then takes its place.
    _sharedContext = firstContext;
    _sharedContext = VLEGLContext::createHidden(firstContext->api(), shared_from_this(),
                                                firstContext->clientArraysEnabled());
}

std::shared_ptr<VLEGLContext> VLEGLSharegroup::sharedContext() const {
    std::lock_guard guard(_lock);
    return _sharedContext;
}

std::shared_ptr<VLGLLogger> VLEGLSharegroup::vl_logger() const {
    LoggerProvider provider;
    {
        std::lock_guard guard(_lock);
        provider = _loggerProvider;
    }
    return provider ? provider() : nullptr;
}

void VLEGLSharegroup::vl_setLoggerProviderBlock(LoggerProvider provider) {
    std::lock_guard guard(_lock);
    _loggerProvider = std::move(provider);
}

void VLEGLSharegroup::vl_removeLoggerProvider() {
    vl_setLoggerProviderBlock(nullptr);
}

std::shared_ptr<VLGLMemoryTracker> VLEGLSharegroup::memoryTracker() {
    std::lock_guard guard(_lock);
    if (!_memoryTracker)
        _memoryTracker = std::make_shared<VLGLMemoryTracker>();
    return _memoryTracker;
}
