#pragma once

class VLCanvas;

// Told when a canvas component was laid out to a new frame (the canvas binding). Component thread.
class VLCanvasResizedObserver {
public:
    virtual ~VLCanvasResizedObserver() = default;

    virtual void canvasDidResized(VLCanvas& canvas) = 0;
};
