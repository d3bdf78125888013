#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class VLGLTexture;

// A block of canvas pixels: RGBA bytes, premultiplied, rows top to bottom. The pixels of the context's
// read-back and of ImageData. Used on the runtime's JavaScript thread.
class VLCanvasImageData {
public:
    // The pixels must hold width × height × 4 bytes.
    VLCanvasImageData(uint32_t width, uint32_t height, std::vector<uint8_t> pixels);

    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }
    std::vector<uint8_t>& pixels() { return _pixels; }
    const std::vector<uint8_t>& pixels() const { return _pixels; }

    // A new texture of the pixels as they are now, in the current context.
    std::shared_ptr<VLGLTexture> texture() const;

private:
    uint32_t _width;
    uint32_t _height;
    std::vector<uint8_t> _pixels;
};
