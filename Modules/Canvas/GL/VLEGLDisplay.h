#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

// The process-wide EGL display that every GL context of the engine lives on: Mesa's surfaceless
// platform, made on first use and ended when the last context goes. Any thread.

// Binds the EGL and GLES entry points, once per process; true when they are bound. A failure is logged
// once and is final.
bool loadEGL();

// Whether canvases can draw: the GL libraries loaded and the display never failed to start.
bool VLEGLIsSupported();

// The display, made and initialised when there is none; null when EGL is unsupported or the display
// failed. A failure is logged once and is final: no later call tries again.
EGLDisplay eglGetDefaultDisplay();
// Ends the display; the next use makes a new one.
void eglTerminateDefaultDisplay();

// Counts the live contexts of the engine (VLEGLContext): the display ends when the last one goes. Under
// the display's lock, so that a context being made never gets a display that is ending.
void VLEGLDisplayAddContext();
void VLEGLDisplayRemoveContext();
