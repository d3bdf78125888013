#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// Whether canvases can draw in this process, as the engine's facade asks. Any thread.
class VLCanvasSupportContract : public VLServiceContract {
public:
    virtual bool isCanvasSupported() = 0;
};
