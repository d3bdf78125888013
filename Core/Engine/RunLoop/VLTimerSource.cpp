#include "Core/Engine/RunLoop/VLTimerSource.h"

#include "Platform/Foundation/VLClock.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

struct HandlerSource {
    GSource source;
    std::function<void()> handler;
};

GSourceFuncs handlerSourceFunctions = {
    nullptr, // readiness is the ready time alone
    nullptr,
    [](GSource* source, GSourceFunc, gpointer) -> gboolean {
        g_source_set_ready_time(source, -1);
        // GLib holds a reference for the dispatch, so the handler outlives its own destruction request.
        reinterpret_cast<HandlerSource*>(source)->handler();
        return G_SOURCE_CONTINUE;
    },
    [](GSource* source) { reinterpret_cast<HandlerSource*>(source)->handler.~function(); },
    nullptr,
    nullptr,
};

} // namespace

VLTimerSource::VLTimerSource(std::function<void()> handler)
    : _source(g_source_new(&handlerSourceFunctions, sizeof(HandlerSource))) {
    new (&reinterpret_cast<HandlerSource*>(_source)->handler) std::function<void()>(std::move(handler));
    g_source_set_ready_time(_source, -1);
}

VLTimerSource::~VLTimerSource() {
    g_source_destroy(_source);
    g_source_unref(_source);
}

void VLTimerSource::attach(GMainContext* context) {
    g_source_attach(_source, context);
}

void VLTimerSource::fireAt(int64_t time) {
    g_source_set_ready_time(_source, time);
}

void VLTimerSource::fireAfter(double seconds) {
    fireAt(now() + microseconds(seconds));
}

int64_t VLTimerSource::microseconds(double seconds) {
    if (!(seconds > 0)) {
        return 0;
    }
    return static_cast<int64_t>(std::min(seconds, VLClock::longestInterval) * 1e6);
}
