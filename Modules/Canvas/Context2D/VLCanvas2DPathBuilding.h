#pragma once

#include "Modules/Canvas/Context2D/VLCanvas2DPathReplaying.h"

// What a recorded path is replayed into: the path calls, and the transform they are mapped by, which a
// replay reads so that it can apply an added path's transform and restore the previous one afterwards.
// A recording is not a builder, so a recording is never replayed into another recording.
class VLCanvas2DPathBuilding : public VLCanvas2DPathReplaying {
public:
    virtual VLAffineTransform pathTransform() const = 0;
};
