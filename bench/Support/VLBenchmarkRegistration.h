#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

// Registers a benchmark of a fixed number of iterations per repetition, reported by the aggregates of
// VLBenchmarkReporter's repetitions and measured in the process's CPU time, which counts the threads
// that a GL driver or a queue works on beside the caller's.
void VLBenchmarkRegisterProcessCPU(const char* name, void (*function)(benchmark::State&), int64_t iterations,
                                   benchmark::TimeUnit unit);
