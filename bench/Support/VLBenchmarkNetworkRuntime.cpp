#include "bench/Support/VLBenchmarkNetworkRuntime.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"

#include <chrono>

#include <unistd.h>

VLBenchmarkNetworkRuntime::VLBenchmarkNetworkRuntime(const std::string& name)
    : _package(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(_package);
    _runtime = VLRuntime::create(std::make_shared<VLBundle>(_package.string()));
    _runtime->setAllowsNetworkAccess(true);
    _engine = _runtime->engine();
}

VLBenchmarkNetworkRuntime::~VLBenchmarkNetworkRuntime() {
    _runtime->terminate();
    const std::shared_ptr<VLRunLoopThread> thread = _engine->runLoop()->thread();
    _engine.reset();
    _runtime.reset();
    thread->waitUntilFinished(std::chrono::seconds(30));
    std::filesystem::remove_all(_package);
}
