#pragma once

#include <cstdint>

// The GL's largest texture side, read the first time a context is current on a calling thread and kept
// for the process; 16384 until then, or when the GL answers less than 1. Any thread.
int32_t VLGLTextureGetMaxSize();
