#include "Core/Engine/RunLoop/VLUptime.h"

#include "Platform/Foundation/VLClock.h"

uint64_t VLUptimeNanoseconds() {
    return VLClock::system()->nanoseconds();
}
