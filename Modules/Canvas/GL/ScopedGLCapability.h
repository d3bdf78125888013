#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

// Holds a GL capability enabled or disabled for a scope, in the context current on the calling thread,
// and restores it afterwards only when it had to change it.
class ScopedGLCapability {
public:
    ScopedGLCapability(GLenum capability, bool enabled);
    ~ScopedGLCapability();
    ScopedGLCapability(const ScopedGLCapability&) = delete;
    ScopedGLCapability& operator=(const ScopedGLCapability&) = delete;

private:
    GLenum _capability;
    bool _previousState;
    bool _changed;
};
