#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

// Resolves the bound read framebuffer (multisampled) into the bound draw framebuffer over the size of
// the bound renderbuffer, with scissoring and dithering off for the blit. The caller binds all three.
// Under the name of the Apple extension that the engine's drawing code calls. Nothing without a current
// context (VLEGLContext).
void glResolveMultisampleFramebufferAPPLE();
