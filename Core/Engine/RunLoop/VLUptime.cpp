#include "Core/Engine/RunLoop/VLUptime.h"

#include <ctime>

uint64_t VLUptimeNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(now.tv_nsec);
}
