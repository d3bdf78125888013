#pragma once

#include <functional>

// Runs the block with the engine's default pixel store in the context current on the calling thread:
// alignments 1, row lengths, skips and image heights 0 and, on OpenGL ES 3, no pixel pack or unpack
// buffer bound, so that internal uploads and read-backs see tightly packed rows in client memory
// whatever WebGL left set; then puts everything back. At once when the current context
// (VLEGLContext) says nothing differs.
void VLGLWithDefaultPixelStore(const std::function<void()>& block);
