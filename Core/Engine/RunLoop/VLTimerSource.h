#pragma once

#include <glib.h>

#include <cstdint>
#include <functional>

// A GLib source that calls its handler when a chosen moment of GLib's monotonic clock has come, once
// per scheduling: after each call it stays parked until it is scheduled again. The building block of
// timers. Used on the thread that iterates its context only; destroying it (even from its own handler)
// detaches it.
class VLTimerSource {
public:
    explicit VLTimerSource(std::function<void()> handler);
    ~VLTimerSource();
    VLTimerSource(const VLTimerSource&) = delete;
    VLTimerSource& operator=(const VLTimerSource&) = delete;

    void attach(GMainContext* context);

    // Microseconds of g_get_monotonic_time().
    static int64_t now() { return g_get_monotonic_time(); }
    void fireAt(int64_t time);
    void fireAfter(double seconds);
    void park() { fireAt(-1); }
    // The moment it fires next, -1 while parked.
    int64_t fireTime() const { return g_source_get_ready_time(_source); }

    // Seconds as microseconds, clamped to what a ready time can hold; NaN counts as 0.
    static int64_t microseconds(double seconds);

private:
    GSource* _source;
};
