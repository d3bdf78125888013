#include "bench/Support/VLBenchmarkInterleaving.h"

#include <benchmark/benchmark.h>

#include <vector>

void VLBenchmarkInitializeInterleaved(int argc, char** argv) {
    // Google Benchmark keeps pointers into the arguments, so they live as long as the process.
    static std::vector<char*> arguments;
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    arguments.assign(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, interleaving);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
}
