#pragma once

#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Tests/Support/VLManualFrameSource.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// Makes manual frame sources and lists them, newest last; it can be told to make none, and what its
// new sources answer to start() and their rate. Any thread.
class VLManualFrameSourceFactory final : public VLFrameSourceFactory {
public:
    std::shared_ptr<VLFrameSource> makeFrameSource(uint32_t displayID,
                                                   VLFrameSource::Handler handler) override {
        if (!makesSources.load())
            return nullptr;
        auto source = std::make_shared<VLManualFrameSource>(displayID, std::move(handler));
        source->setStartResult(startsSources.load());
        source->setUpdatesPerSecond(updatesPerSecond.load());
        std::lock_guard lock(_lock);
        _sources.push_back(source);
        return source;
    }

    std::vector<std::shared_ptr<VLManualFrameSource>> sources() const {
        std::lock_guard lock(_lock);
        return _sources;
    }
    // The newest source, or nullptr.
    std::shared_ptr<VLManualFrameSource> lastSource() const {
        std::lock_guard lock(_lock);
        return _sources.empty() ? nullptr : _sources.back();
    }
    size_t count() const { return sources().size(); }

    std::atomic<bool> makesSources{true};
    std::atomic<bool> startsSources{true};
    std::atomic<uint32_t> updatesPerSecond{60};

private:
    mutable std::mutex _lock; // guards _sources
    std::vector<std::shared_ptr<VLManualFrameSource>> _sources;
};
