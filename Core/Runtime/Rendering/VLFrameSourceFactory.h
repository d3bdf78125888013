#pragma once

#include "Core/Runtime/Rendering/VLFrameSource.h"

#include <cstdint>
#include <memory>

// Makes the frame sources of rendering loops. Process-wide and replaceable, so that the loops of
// runtimes made by the launcher tick from whatever a test puts in place. Any thread.
class VLFrameSourceFactory {
public:
    virtual ~VLFrameSourceFactory() = default;

    // A source for the display, or nullptr when none can be made.
    virtual std::shared_ptr<VLFrameSource> makeFrameSource(uint32_t displayID,
                                                           VLFrameSource::Handler handler) = 0;

    // The process's factory: timer sources over the process's display provider, unless a test put
    // another in its place.
    static std::shared_ptr<VLFrameSourceFactory> shared();
    // nullptr brings back the timer sources.
    static void setShared(std::shared_ptr<VLFrameSourceFactory> factory);
};
