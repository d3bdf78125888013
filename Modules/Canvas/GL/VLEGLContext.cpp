#include "Modules/Canvas/GL/VLEGLContext.h"

#include "Modules/Canvas/GL/VLEGLDisplay.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Platform/Graphics/VLGLLoader.h"

#include <vector>

namespace {

// ANGLE's, offered by no driver here; asked for only where the display names it.
constexpr EGLint kEGLRobustResourceInitializationANGLE = 0x3453;

// The calling thread's current context, held weakly: a context that goes stops being anyone's current
// one. Owned by its thread. Every GL wrapper reads it: in the static TLS block, reached without a call
// (the library is loaded with the program, and the record is small enough for a later dlopen too).
struct ThreadLocalInfo {
    std::weak_ptr<VLEGLContext> currentContext;
};
thread_local ThreadLocalInfo threadLocalInfo __attribute__((tls_model("initial-exec")));

EGLConfig chooseConfig(EGLDisplay display, int api) {
    // Surfaceless contexts are never bound to a window; without the pbuffer bit Mesa's surfaceless
    // display offers no config at all.
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE,
                                 api == 3 ? EGL_OPENGL_ES3_BIT : EGL_OPENGL_ES2_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_ALPHA_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 0,
                                 EGL_STENCIL_SIZE,
                                 0,
                                 EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}

std::vector<EGLint> contextAttributes(int api, const char* extensions) {
    std::vector<EGLint> attributes = {EGL_CONTEXT_CLIENT_VERSION, api};
    if (api == 3 && VLGLExtensionListContains(extensions, "EGL_ANGLE_robust_resource_initialization"))
        attributes.insert(attributes.end(), {kEGLRobustResourceInitializationANGLE, EGL_TRUE});
    // On every context when offered: contexts of different reset strategies cannot share.
    if (VLGLExtensionListContains(extensions, "EGL_EXT_create_context_robustness"))
        attributes.insert(attributes.end(), {EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_EXT,
                                             EGL_LOSE_CONTEXT_ON_RESET_EXT});
    attributes.push_back(EGL_NONE);
    return attributes;
}

VLEGLContext::Reset resetKindOfStatus(GLenum status) {
    switch (status) {
    case GL_NO_ERROR:
        return VLEGLContext::ResetNone;
    case GL_GUILTY_CONTEXT_RESET:
        return VLEGLContext::ResetGuilty;
    case GL_INNOCENT_CONTEXT_RESET:
        return VLEGLContext::ResetInnocent;
    default:
        return VLEGLContext::ResetUnknown;
    }
}

} // namespace

VLEGLContext::VLEGLContext(int api, bool clientArraysEnabled)
    : _clientArraysEnabled(clientArraysEnabled), _api(api) {}

std::shared_ptr<VLEGLContext> VLEGLContext::create(int api) {
    return create(api, nullptr);
}

std::shared_ptr<VLEGLContext> VLEGLContext::create(int api, std::shared_ptr<VLEGLSharegroup> sharegroup) {
    return create(api, std::move(sharegroup), true);
}

std::shared_ptr<VLEGLContext> VLEGLContext::create(int api, std::shared_ptr<VLEGLSharegroup> sharegroup,
                                                   bool clientArraysEnabled) {
    std::shared_ptr<VLEGLContext> context(new VLEGLContext(api, clientArraysEnabled));
    context->_sharegroup = sharegroup ? std::move(sharegroup) : std::make_shared<VLEGLSharegroup>();
    context->start(context->_sharegroup);
    return context;
}

std::shared_ptr<VLEGLContext> VLEGLContext::createHidden(int api,
                                                         const std::shared_ptr<VLEGLSharegroup>& sharegroup,
                                                         bool clientArraysEnabled) {
    std::shared_ptr<VLEGLContext> context(new VLEGLContext(api, clientArraysEnabled));
    context->_weakSharegroup = sharegroup;
    context->start(sharegroup);
    return context;
}

void VLEGLContext::start(const std::shared_ptr<VLEGLSharegroup>& sharegroup) {
    VLEGLDisplayAddContext();
    loadEGL();
    sharegroup->addContext(shared_from_this());
    _memoryTracker = sharegroup->memoryTracker();
    _eglDisplay = eglGetDefaultDisplay();
    if (_eglDisplay != EGL_NO_DISPLAY)
        makeEGLContext(sharegroup);
}

void VLEGLContext::makeEGLContext(const std::shared_ptr<VLEGLSharegroup>& sharegroup) {
    EGLConfig config = chooseConfig(_eglDisplay, _api);
    eglBindAPI(EGL_OPENGL_ES_API);
    const std::vector<EGLint> attributes =
        contextAttributes(_api, eglQueryString(_eglDisplay, EGL_EXTENSIONS));
    std::shared_ptr<VLEGLContext> sharedContext = sharegroup->sharedContext();
    EGLContext share = sharedContext ? sharedContext->_eglContext : EGL_NO_CONTEXT;
    _eglContext = eglCreateContext(_eglDisplay, config, share, attributes.data());
}

VLEGLContext::~VLEGLContext() {
    if (_eglContext != EGL_NO_CONTEXT) {
        if (eglGetCurrentContext() == _eglContext)
            eglMakeCurrent(_eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(_eglDisplay, _eglContext);
    }
    destroyDrawables();
    VLEGLDisplayRemoveContext();
}

std::shared_ptr<VLEGLContext> VLEGLContext::currentContext() {
    return threadLocalInfo.currentContext.lock();
}

bool VLEGLContext::setCurrentContext(const std::shared_ptr<VLEGLContext>& context) {
    if (context) {
        // An invalid context would make EGL release the thread's context instead.
        if (!context->isValid())
            return false;
        const bool alreadyCurrent = eglGetCurrentContext() == context->_eglContext &&
                                    eglGetCurrentSurface(EGL_READ) == EGL_NO_SURFACE &&
                                    eglGetCurrentSurface(EGL_DRAW) == EGL_NO_SURFACE;
        if (!alreadyCurrent &&
            !eglMakeCurrent(context->_eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, context->_eglContext))
            return false;
        threadLocalInfo.currentContext = context;
        return true;
    }
    threadLocalInfo.currentContext.reset();
    // Nothing can be current where EGL never loaded, or on a thread without a display.
    if (!VLEGLIsSupported())
        return true;
    EGLDisplay display = eglGetCurrentDisplay();
    return display == EGL_NO_DISPLAY ||
           eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::shared_ptr<VLEGLSharegroup> VLEGLContext::sharegroup() const {
    return _sharegroup ? _sharegroup : _weakSharegroup.lock();
}

VLEGLContext::Reset VLEGLContext::checkReset() {
    if (Reset reset = _reset.load(); reset != ResetNone)
        return reset;
    if (!isValid())
        return ResetNone;
    GLenum status = GL_NO_ERROR;
    if (_resetStatusForTesting) {
        status = *_resetStatusForTesting;
        _resetStatusForTesting.reset();
    } else {
        if (!_hasRobustness)
            _hasRobustness =
                glGetGraphicsResetStatusEXT &&
                VLGLExtensionListContains(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                          "GL_EXT_robustness");
        if (*_hasRobustness)
            status = glGetGraphicsResetStatusEXT();
    }
    const Reset reset = resetKindOfStatus(status);
    if (reset != ResetNone)
        _reset.store(reset);
    return reset;
}

std::shared_ptr<VLGLLogger> VLEGLContext::currentLogger() {
    std::shared_ptr<VLEGLContext> context = currentContext();
    std::shared_ptr<VLEGLSharegroup> sharegroup = context ? context->sharegroup() : nullptr;
    return sharegroup ? sharegroup->vl_logger() : nullptr;
}
