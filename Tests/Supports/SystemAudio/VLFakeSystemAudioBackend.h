#pragma once

#include "Supports/SystemAudio/VLSystemAudioCaptureBackend.h"

#include <mutex>
#include <utility>

// A sound server in memory: tests say who plays and hand samples in; the monitor's calls are counted.
// Any thread; the handlers are called on the caller's thread, as a backend's own thread would.
class VLFakeSystemAudioBackend final : public VLSystemAudioCaptureBackend {
public:
    void startWatching(Handlers handlers) override {
        std::lock_guard lock(_lock);
        _handlers = std::move(handlers);
        _watching = true;
    }
    void stopWatching() override {
        std::lock_guard lock(_lock);
        _handlers = {};
        _watching = false;
    }
    std::vector<Process> processes() override {
        std::lock_guard lock(_lock);
        return _processes;
    }
    double nominalRate() override {
        std::lock_guard lock(_lock);
        return _rate;
    }
    StartResult startCapture(const std::set<pid_t>& excluded, SamplesHandler handler) override {
        std::lock_guard lock(_lock);
        ++_starts;
        if (_failure.status != 0)
            return _failure;
        _excluded = excluded;
        _samples = std::move(handler);
        return {};
    }
    void stopCapture() override {
        std::lock_guard lock(_lock);
        _samples = nullptr;
    }
    int changeExclusions(const std::set<pid_t>& excluded) override {
        std::lock_guard lock(_lock);
        _excluded = excluded;
        return 0;
    }
    bool captureIsKnown() override { return true; }

    // Another program (or one of ours) starts or stops playing.
    void setPlaying(pid_t pid, bool playing) {
        Handlers handlers;
        {
            std::lock_guard lock(_lock);
            std::erase_if(_processes, [&](const Process& process) { return process.pid == pid; });
            _processes.push_back({uint32_t(pid), pid, playing});
            handlers = _handlers;
        }
        if (handlers.processesChanged)
            handlers.processesChanged();
    }
    // Stereo frames of one value, as the IO thread would hand them in; false without a capture.
    bool feed(float value, size_t frames = 480) {
        SamplesHandler samples;
        {
            std::lock_guard lock(_lock);
            samples = _samples;
        }
        if (!samples)
            return false;
        std::vector<float> values(2 * frames, value);
        samples(values.data(), frames, 2);
        return true;
    }
    void setRate(double rate) {
        std::lock_guard lock(_lock);
        _rate = rate;
    }
    void setFailure(StartResult failure) {
        std::lock_guard lock(_lock);
        _failure = failure;
    }
    int starts() {
        std::lock_guard lock(_lock);
        return _starts;
    }
    bool capturing() {
        std::lock_guard lock(_lock);
        return bool(_samples);
    }
    bool watching() {
        std::lock_guard lock(_lock);
        return _watching;
    }
    std::set<pid_t> excluded() {
        std::lock_guard lock(_lock);
        return _excluded;
    }

private:
    std::mutex _lock; // guards the members below
    Handlers _handlers;
    bool _watching = false;
    std::vector<Process> _processes;
    double _rate = 48000;
    StartResult _failure;
    int _starts = 0;
    SamplesHandler _samples;
    std::set<pid_t> _excluded;
};
