#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// A rendering loop's clock: it calls its handler once per display refresh, saying whether that refresh
// is relevant under the frame-rate cap. The base never runs; subclasses override every operation but
// handler(). start, stop and invalidate come from the rendering loop's queue; isRunning, the rate and
// the cap may be read and written from any thread; the handler runs on the source's callback thread.
class VLFrameSource : public std::enable_shared_from_this<VLFrameSource> {
public:
    using Handler = std::function<void(const std::shared_ptr<VLFrameSource>& source, bool relevant)>;

    explicit VLFrameSource(Handler handler) : _handler(std::move(handler)) {}
    virtual ~VLFrameSource() = default;
    VLFrameSource(const VLFrameSource&) = delete;
    VLFrameSource& operator=(const VLFrameSource&) = delete;

    virtual bool isRunning() const { return false; }
    // The display's refresh rate in whole hertz.
    virtual uint32_t updatesPerSecond() const { return 60; }
    // Whether the source runs afterwards.
    virtual bool start() { return false; }
    virtual void stop() {}
    // Final: the source never runs again.
    virtual void invalidate() {}
    // Reads the display's rate again.
    virtual void adoptRefreshRate() {}
    // Whether the source now follows that display.
    virtual bool followDisplay(uint32_t /*displayID*/) { return false; }

    const Handler& handler() const { return _handler; }

    // The frame-rate cap; 0 for none.
    virtual uint32_t preferredFPS() const { return _preferredFPS.load(); }
    virtual void setPreferredFPS(uint32_t preferredFPS) { _preferredFPS.store(preferredFPS); }

    // The rate at which a display of `refreshRate` hertz is paced under `cap`: the cap when it divides
    // the refresh rate (0 included), else the refresh rate itself. No cap (0) leaves the refresh rate.
    static uint32_t rateForCap(uint32_t refreshRate, uint32_t cap);

private:
    std::atomic<uint32_t> _preferredFPS{0};
    const Handler _handler;
};
