#pragma once

// Initialises Google Benchmark with the repetitions of all benchmarks taking turns in random order, so
// that none is measured only early or only late in a process whose costs drift over its life (as
// llvmpipe's uploads do). A flag given on the command line still wins.
void VLBenchmarkInitializeInterleaved(int argc, char** argv);
