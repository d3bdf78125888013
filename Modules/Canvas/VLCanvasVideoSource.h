#pragma once

#include "Modules/Canvas/VLCanvasDrawable.h"

#include <memory>

class VLGLSurfaceTexture;

// A drawable whose picture is a video's current frame. Called on the runtime's JavaScript thread.
class VLCanvasVideoSource : public VLCanvasDrawable {
public:
    // The video's width and height are both known and above 0.
    virtual bool hasVideoSize() = 0;
    // The newest frame bound for the current EGL context; nullptr without a current context or a frame.
    virtual std::shared_ptr<VLGLSurfaceTexture> frameSurfaceTexture() = 0;
    // A copy of the current frame in a new texture; nullptr before the first frame.
    virtual std::shared_ptr<VLGLTexture> newFrameTexture() = 0;
};
