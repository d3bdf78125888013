// 10,000 setItem calls of distinct keys on a storage area with a file, then flush, against its floor:
// encoding the same final array as a property list and writing it once with VLWriteFileAtomically.
// Both count the CPU time of every thread of the process, the storage queue's writes included. Prints
// the medians against the goal at the end: within 3x the floor. Run pinned: taskset -c 2 VLStorageBenchmark.

#include "Modules/Storage/VLStorageArea.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kItems = 10000;

struct Fixture {
    std::filesystem::path directory;
    std::vector<std::string> keys, values;

    Fixture() {
        directory = std::filesystem::temp_directory_path() /
                    ("velto-storage-benchmark-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        for (int i = 0; i < kItems; ++i) {
            keys.push_back("widget.setting." + std::to_string(i));
            values.push_back("value of setting " + std::to_string(i) + ", with some text to it");
        }
    }
    ~Fixture() { std::filesystem::remove_all(directory); }
};

Fixture& fixture() {
    static Fixture shared;
    return shared;
}

void BM_SetItemsThenFlush(benchmark::State& state) {
    const Fixture& items = fixture();
    const std::shared_ptr<VLStorageArea> area =
        VLStorageArea::areaWithPath((items.directory / "LocalStorage.plist").string());
    for (auto _ : state) {
        for (int i = 0; i < kItems; ++i) {
            if (area->setItem(items.values[size_t(i)], items.keys[size_t(i)]) != VLStorageArea::Stored)
                state.SkipWithError("an item was refused");
        }
        VLStorageArea::flush();
        state.PauseTiming();
        area->clear();
        VLStorageArea::flush();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetItemsThenFlush)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_EncodeAndWriteOnce(benchmark::State& state) {
    const Fixture& items = fixture();
    const std::string path = (items.directory / "Floor.plist").string();
    for (auto _ : state) {
        VLArray array;
        array.reserve(2 * kItems);
        for (int i = 0; i < kItems; ++i) {
            array.emplace_back(items.keys[size_t(i)]);
            array.emplace_back(items.values[size_t(i)]);
        }
        const std::optional<VLData> data = VLPropertyListSerialization::dataWithPropertyList(array);
        if (!data || !VLWriteFileAtomically(path, *data))
            state.SkipWithError("the file was not written");
    }
}
BENCHMARK(BM_EncodeAndWriteOnce)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("10,000 setItem calls then flush, CPU time", "BM_SetItemsThenFlush",
                        "BM_EncodeAndWriteOnce", 3);
    benchmark::Shutdown();
    return 0;
}
