#pragma once

#include <cstdint>

// What receives a renderbuffer's pictures (a canvas's presentation layer): the context keeps it under
// the renderbuffer's name, counts its surfaces as the context's own memory and has it free them when
// the context ends. Called on the thread that has the context current; surfaceMemorySize() on any
// thread.
class VLEGLDrawable {
public:
    virtual ~VLEGLDrawable() = default;

    // The bytes of the surfaces it holds.
    virtual uint64_t surfaceMemorySize() const = 0;
    virtual void destroySurfaces() = 0;
};
