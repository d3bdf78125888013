#pragma once

#include <filesystem>
#include <memory>
#include <string>

class VLJSEngine;
class VLRuntime;

// A runtime allowed the network, on an empty package folder of its own, for benchmarks that measure a
// script's requests; ending it terminates the runtime, waits for its thread and removes the folder.
class VLBenchmarkNetworkRuntime final {
public:
    // The folder is named after the benchmark and the process.
    explicit VLBenchmarkNetworkRuntime(const std::string& name);
    ~VLBenchmarkNetworkRuntime();
    VLBenchmarkNetworkRuntime(const VLBenchmarkNetworkRuntime&) = delete;
    VLBenchmarkNetworkRuntime& operator=(const VLBenchmarkNetworkRuntime&) = delete;

    VLJSEngine& engine() const { return *_engine; }

private:
    std::filesystem::path _package;
    std::shared_ptr<VLRuntime> _runtime;
    std::shared_ptr<VLJSEngine> _engine;
};
