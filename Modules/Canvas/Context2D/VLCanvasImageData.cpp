#include "Modules/Canvas/Context2D/VLCanvasImageData.h"

#include "Modules/Canvas/GL/VLGLTexture.h"

VLCanvasImageData::VLCanvasImageData(uint32_t width, uint32_t height, std::vector<uint8_t> pixels)
    : _width(width), _height(height), _pixels(std::move(pixels)) {}

std::shared_ptr<VLGLTexture> VLCanvasImageData::texture() const {
    return VLGLTexture::createWithWidth(int32_t(_width), int32_t(_height), _pixels);
}
