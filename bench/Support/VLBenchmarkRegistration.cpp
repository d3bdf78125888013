#include "bench/Support/VLBenchmarkRegistration.h"

#include "bench/Support/VLBenchmarkReporter.h"

void VLBenchmarkRegisterProcessCPU(const char* name, void (*function)(benchmark::State&), int64_t iterations,
                                   benchmark::TimeUnit unit) {
    benchmark::RegisterBenchmark(name, function)
        ->Iterations(iterations)
        ->Repetitions(VLBenchmarkReporter::kRepetitions)
        ->ReportAggregatesOnly()
        ->MeasureProcessCPUTime()
        ->Unit(unit);
}
