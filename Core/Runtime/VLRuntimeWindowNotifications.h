#pragma once

// Posted on the main thread with the runtime as object and no user info, once a user move of one of
// the runtime's windows has ended; the content host observes it.
inline constexpr char VLRuntimeWindowDidEndUserMoveNotification[] =
    "VLRuntimeWindowDidEndUserMoveNotification";
// Likewise once the user let go of the widget window's resize corner; the host reads widgetWindowSize().
inline constexpr char VLRuntimeWidgetWindowDidEndUserResizeNotification[] =
    "VLRuntimeWidgetWindowDidEndUserResizeNotification";
