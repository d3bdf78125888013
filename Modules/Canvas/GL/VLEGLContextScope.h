#pragma once

#include <functional>
#include <memory>

class VLEGLContext;

// Runs work with a given context current on the calling thread, then makes the previous one (or none)
// current again. A context current on another thread cannot be entered: the work is skipped, never
// waited for.

// Runs the block at once when the context is the current one; otherwise flushes the current context's
// work, makes the context current, runs the block, flushes and goes back. False (the block not run)
// when the context cannot be made current.
bool VLGLTryEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                       const std::function<void()>& block);
// The same, telling the widget's console through the GL logger when the context is in use elsewhere.
bool VLGLEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                    const std::function<void()>& block);
// For freeing GL objects of the context: when it is in use elsewhere, in the group's shared context
// instead; when that is busy too, the block is skipped (the objects are leaked rather than freed in a
// wrong context) and the console is told.
void VLGLEnterContextOfObjectsWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                             const std::function<void()>& block);
// Runs the block with the context current, without flushes or messages; skips it when the context
// cannot be made current.
void VLEGLEnterContextWithBlockScope(const std::shared_ptr<VLEGLContext>& context,
                                     const std::function<void()>& block);
