#include "bench/Support/VLBenchmarkReporter.h"

#include <cstdio>

namespace {

double nanosecondsPerUnit(benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kSecond:
        return 1e9;
    case benchmark::kMillisecond:
        return 1e6;
    case benchmark::kMicrosecond:
        return 1e3;
    case benchmark::kNanosecond:
        return 1;
    }
    return 1;
}

} // namespace

void VLBenchmarkReporter::registerRepeated(const char* name, void (*function)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, function)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly()
        ->Unit(benchmark::kMicrosecond);
}

void VLBenchmarkReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
            continue;
        const double scale = nanosecondsPerUnit(run.time_unit);
        Median& median = _medians[run.run_name.function_name];
        median = {run.GetAdjustedCPUTime() * scale, run.GetAdjustedRealTime() * scale, {}};
        for (const auto& [counterName, counter] : run.counters)
            median.counters[counterName] = counter.value;
    }
}

std::optional<double> VLBenchmarkReporter::median(const std::string& name, bool realTime) const {
    auto found = _medians.find(name);
    if (found == _medians.end())
        return std::nullopt;
    return realTime ? found->second.real : found->second.cpu;
}

std::optional<double> VLBenchmarkReporter::counter(const std::string& name,
                                                   const std::string& counterName) const {
    auto found = _medians.find(name);
    if (found == _medians.end())
        return std::nullopt;
    auto counter = found->second.counters.find(counterName);
    if (counter == found->second.counters.end())
        return std::nullopt;
    return counter->second;
}

void VLBenchmarkReporter::printRatio(const char* label, const std::string& name, const std::string& floor,
                                     double goal, double perIteration, bool realTime) const {
    std::optional<double> ours = median(name, realTime), peer = median(floor, realTime);
    if (!ours || !peer)
        return;
    std::printf("%s: %.2f ns, floor %.2f ns: %.2fx (goal <= %gx)\n", label, *ours / perIteration,
                *peer / perIteration, *ours / *peer, goal);
}
