#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class VLRunLoop;
class VLTimerFrameSource;
class VLTimerSource;

// The process's display-link thread, "app.velto.display-link": made once on first use and never
// ended (it does not hold up the end of the process), on which every running timer frame source
// ticks. Sources of one rate share one timer whose deadlines lie on a fixed grid, the multiples of
// the period since the clock's origin, so they fire in the same wake-up and never drift; a deadline
// that passed while the thread was held up is skipped, never made up for in a burst. With no source
// running no timer is armed and the thread sleeps.
//
// The timers and the record of which source ticks where belong to the display-link thread; other
// threads reach them through posted work.
class VLFrameSourceRunLoop final {
public:
    static VLFrameSourceRunLoop& shared();
    VLFrameSourceRunLoop(const VLFrameSourceRunLoop&) = delete;
    VLFrameSourceRunLoop& operator=(const VLFrameSourceRunLoop&) = delete;

    const std::shared_ptr<VLRunLoop>& runLoop() const { return _runLoop; }

    // Posted: the thread takes the source's state as it finds it then: a running source that is not
    // invalidated ticks on the timer of its tick rate; any other source ticks nowhere.
    void update(std::shared_ptr<VLTimerFrameSource> source);
    // Posted: forgets the sources that are gone.
    void sweep();
    // Waits for the thread: how many timers are armed (one per rate that running sources use).
    size_t armedTimerCount();

    // The first grid point for `rate` after `now`, both in microseconds of VLTimerSource::now().
    static int64_t nextDeadline(int64_t now, uint32_t rate);

private:
    struct Entry {
        const VLTimerFrameSource* key; // identity only
        std::weak_ptr<VLTimerFrameSource> source;
    };
    struct RateGroup {
        std::unique_ptr<VLTimerSource> timer;
        std::vector<Entry> sources;
    };

    VLFrameSourceRunLoop();
    void place(const std::shared_ptr<VLTimerFrameSource>& source);
    void remove(const VLTimerFrameSource* source);
    void removeGone();
    void dropEmptyGroups();
    void tick(uint32_t rate);

    std::shared_ptr<VLRunLoop> _runLoop;
    std::map<uint32_t, RateGroup> _groups; // the display-link thread's, by rate
};
