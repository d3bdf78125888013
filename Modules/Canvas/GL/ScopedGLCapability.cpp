#include "Modules/Canvas/GL/ScopedGLCapability.h"

namespace {

void setCapability(GLenum capability, bool enabled) {
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

} // namespace

ScopedGLCapability::ScopedGLCapability(GLenum capability, bool enabled)
    : _capability(capability), _previousState(glIsEnabled(capability)), _changed(_previousState != enabled) {
    if (_changed)
        setCapability(capability, enabled);
}

ScopedGLCapability::~ScopedGLCapability() {
    if (_changed)
        setCapability(_capability, _previousState);
}
