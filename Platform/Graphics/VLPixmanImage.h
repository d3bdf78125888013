#pragma once

#include "Platform/Graphics/VLColor.h"
#include "Platform/Graphics/VLPixelSource.h"

#include <pixman.h>

#include <cstdint>

// One pixman image, owned: released when this goes. Empty when pixman could not make it.
//
// Used by one thread at a time.
class VLPixmanImage final {
public:
    VLPixmanImage() = default;
    ~VLPixmanImage();
    VLPixmanImage(VLPixmanImage&& other) noexcept;
    VLPixmanImage& operator=(VLPixmanImage&& other) noexcept;
    VLPixmanImage(const VLPixmanImage&) = delete;
    VLPixmanImage& operator=(const VLPixmanImage&) = delete;

    // Transparent pixels of its own, in a8r8g8b8 or a8.
    static VLPixmanImage make(pixman_format_code_t format, int width, int height);
    // Over pixels that stay the caller's; empty for sizes or row lengths pixman cannot take.
    static VLPixmanImage wrap(const VLMutablePixels& pixels);
    static VLPixmanImage wrap(const VLPixels& pixels);
    // A colour everywhere, its alpha multiplied by `alpha`.
    static VLPixmanImage solid(VLColor color, double alpha = 1);

    // The colour as pixman takes it: premultiplied, 16 bits a channel, components kept within 0…1.
    static pixman_color_t color(VLColor color, double alpha = 1);

    pixman_image_t* get() const { return _image; }
    explicit operator bool() const { return _image != nullptr; }

private:
    explicit VLPixmanImage(pixman_image_t* image) : _image(image) {}

    pixman_image_t* _image = nullptr;
};
