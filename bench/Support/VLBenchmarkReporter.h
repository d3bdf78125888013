#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// Shows the runs as the console reporter does and keeps each benchmark's median over its repetitions,
// so that a program can print its figures against their floors (peers measured in the same run) and
// goals once the runs are over. Run the programs pinned to one core: taskset -c 2 <program>.
class VLBenchmarkReporter : public benchmark::ConsoleReporter {
public:
    // Repetitions each benchmark is given, so that a median exists.
    static constexpr int kRepetitions = 9;

    void ReportRuns(const std::vector<Run>& runs) override;

    // Registers a benchmark with the repetitions the medians need, reported in microseconds as
    // aggregates only.
    static void registerRepeated(const char* name, void (*function)(benchmark::State&));

    // The median time per iteration in nanoseconds, CPU time unless asked for real time; nothing when
    // the benchmark did not run.
    std::optional<double> median(const std::string& name, bool realTime = false) const;

    // The median over the repetitions of a counter the benchmark set (state.counters); nothing when the
    // benchmark did not run or set no such counter.
    std::optional<double> counter(const std::string& name, const std::string& counterName) const;

    // "label: X ns, floor Y ns: R× (goal ≤ G×)", each time divided by `perIteration` (the calls one
    // iteration makes), in CPU time unless asked for real time; nothing when either did not run.
    void printRatio(const char* label, const std::string& name, const std::string& floor, double goal,
                    double perIteration = 1, bool realTime = false) const;

private:
    struct Median {
        double cpu;
        double real;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Median> _medians;
};
