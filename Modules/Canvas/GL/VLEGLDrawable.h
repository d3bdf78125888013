#pragma once

#include <cstdint>
#include <memory>

class VLSurface;

// What receives a renderbuffer's pictures (a canvas's presentation layer): the context keeps it under
// the renderbuffer's name, counts its surfaces as the context's own memory and has it free them when
// the context ends. Called on the thread that has the context current; surfaceMemorySize() on any
// thread.
class VLEGLDrawable {
public:
    virtual ~VLEGLDrawable() = default;

    // The surface the next picture of the size goes into, chosen and free of readers; nullptr when none
    // can be had.
    virtual std::shared_ptr<VLSurface> nextSurfaceWithWidth(uint32_t width, uint32_t height) = 0;
    // Whether the surfaces show no transparency, so that a picture's alpha is to be set opaque.
    virtual bool surfacesAreOpaque() const = 0;
    // The chosen surface holds its picture.
    virtual void surfaceDidDraw() = 0;
    // Shows the chosen surface.
    virtual void presentSurface() = 0;

    // The bytes of the surfaces it holds.
    virtual uint64_t surfaceMemorySize() const = 0;
    virtual void destroySurfaces() = 0;
};
