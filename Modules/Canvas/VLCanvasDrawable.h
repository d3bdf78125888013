#pragma once

#include <memory>

class VLGLTexture;

// A source that 2D drawing, patterns and WebGL uploads take pictures from: the canvas, canvas images,
// ImageData, image bitmaps and video bindings. Called on the runtime's JavaScript thread.
class VLCanvasDrawable {
public:
    virtual ~VLCanvasDrawable() = default;

    // Its picture; nullptr when it has none yet.
    virtual std::shared_ptr<VLGLTexture> texture() = 0;
};
