#pragma once

#include "Core/Runtime/Rendering/VLFrameSource.h"

#include <atomic>
#include <cstdint>
#include <memory>

class VLDisplayProvider;

// A frame source on a timer of the process's display-link thread (VLFrameSourceRunLoop) in place of
// a display's own refresh signal. It ticks at its display's refresh rate, or at the cap when the cap
// divides that rate, so every callback is relevant. A display that the provider does not know gets a
// virtual one at 60 Hz, so that frames tick with no display at all.
//
// Any thread may start, stop, invalidate and change the cap; the thread takes each change in turn, and
// the handler runs there.
class VLTimerFrameSource final : public VLFrameSource {
public:
    static std::shared_ptr<VLTimerFrameSource> create(uint32_t displayID, Handler handler,
                                                      std::shared_ptr<VLDisplayProvider> provider);
    ~VLTimerFrameSource() override;

    bool isRunning() const override { return _running.load(); }
    uint32_t updatesPerSecond() const override { return _updatesPerSecond.load(); }
    // False once invalidated; true when it already runs.
    bool start() override;
    void stop() override;
    void invalidate() override;
    void adoptRefreshRate() override;
    // Only for its own display: a source never moves.
    bool followDisplay(uint32_t displayID) override { return displayID == _displayID; }
    void setPreferredFPS(uint32_t preferredFPS) override;

    uint32_t displayID() const { return _displayID; }
    bool isInvalidated() const { return _invalidated.load(); }
    // Ticks per second: rateForCap(updatesPerSecond(), preferredFPS()).
    uint32_t tickRate() const { return rateForCap(updatesPerSecond(), preferredFPS()); }

private:
    friend class VLFrameSourceRunLoop;

    VLTimerFrameSource(uint32_t displayID, Handler handler, std::shared_ptr<VLDisplayProvider> provider);
    uint32_t readRefreshRate() const;
    // Moves a running source to the timer of its new rate.
    void rescheduleIfRunning();
    // Has the thread take the source's state.
    void updateThread();
    // On the display-link thread.
    void fire();

    const uint32_t _displayID;
    const std::shared_ptr<VLDisplayProvider> _provider;
    std::atomic<uint32_t> _updatesPerSecond;
    std::atomic<bool> _running{false};
    std::atomic<bool> _invalidated{false};
};
