#include "Core/Runtime/Rendering/VLFrameSource.h"

uint32_t VLFrameSource::rateForCap(uint32_t refreshRate, uint32_t cap) {
    if (cap == 0)
        return refreshRate;
    return refreshRate % cap == 0 ? cap : refreshRate;
}
