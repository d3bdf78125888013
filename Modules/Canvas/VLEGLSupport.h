#pragma once

// Whether the process can draw with EGL: false until the GL foundation exists. Any thread.
bool VLEGLIsSupported();
