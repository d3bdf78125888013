#pragma once

#include <cstdint>

// The engine's clock: nanoseconds of CLOCK_MONOTONIC_RAW, which does not advance while the machine
// sleeps. Busy times, frame timing and samples are measured with it. Lock-free and allocation-free.
uint64_t VLUptimeNanoseconds();
