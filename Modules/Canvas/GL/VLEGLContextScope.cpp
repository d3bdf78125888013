#include "Modules/Canvas/GL/VLEGLContextScope.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"

namespace {

// Enters the context around the block, flushing on the way in and out when asked; false when it
// cannot be made current.
bool enter(const std::shared_ptr<VLEGLContext>& context, const std::function<void()>& block, bool flushes) {
    std::shared_ptr<VLEGLContext> previous = VLEGLContext::currentContext();
    if (previous && previous == context) {
        block();
        return true;
    }
    if (!context)
        return false;
    if (previous && flushes)
        glFlush();
    if (!VLEGLContext::setCurrentContext(context))
        return false;
    block();
    if (flushes)
        glFlush();
    VLEGLContext::setCurrentContext(previous);
    return true;
}

} // namespace

bool VLGLTryEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                       const std::function<void()>& block) {
    return enter(context, block, true);
}

bool VLGLEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                    const std::function<void()>& block) {
    if (VLGLTryEnterContextWithBlockScope(context, block))
        return true;
    VLEGLContext::vllog_warn("can't make a context current, it's in use on another thread");
    return false;
}

void VLGLEnterContextOfObjectsWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                             const std::function<void()>& block) {
    if (VLGLTryEnterContextWithBlockScope(context, block))
        return;
    std::shared_ptr<VLEGLSharegroup> sharegroup = context ? context->sharegroup() : nullptr;
    std::shared_ptr<VLEGLContext> sharedContext = sharegroup ? sharegroup->sharedContext() : nullptr;
    if (sharedContext && sharedContext != context && VLGLTryEnterContextWithBlockScope(sharedContext, block))
        return;
    VLEGLContext::vllog_warn("can't make a context of the sharegroup current, it's in use on another thread");
}

void VLEGLEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                     const std::function<void()>& block) {
    enter(context, block, false);
}
