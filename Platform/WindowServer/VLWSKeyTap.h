#pragma once

#include "Platform/WindowServer/VLWSEvent.h"

#include <functional>

// A listen-only tap on the keyboard: it sees every key-down and key-up the window server takes, before
// routing, whichever window or process gets it, and never changes them. Made by the server's VLWSKeyTaps,
// which calls it; invalidate() ends the calls for good.
//
// Main thread only.
class VLWSKeyTap final {
public:
    // What the tap hears: a key event, or that the system disabled the tap because it took too long (the
    // event is then null). A disabled tap hears nothing until enabled again.
    enum class Happening { Key, DisabledByTimeout };
    using Callback = std::function<void(Happening happening, const VLWSEvent* event)>;

    explicit VLWSKeyTap(Callback callback) : _callback(std::move(callback)) {}
    VLWSKeyTap(const VLWSKeyTap&) = delete;
    VLWSKeyTap& operator=(const VLWSKeyTap&) = delete;

    // Made disabled.
    bool isEnabled() const { return _enabled && _valid; }
    void setEnabled(bool enabled) { _enabled = enabled; }
    bool isValid() const { return _valid; }
    void invalidate() { _valid = false; }

    // For VLWSKeyTaps.
    void hear(Happening happening, const VLWSEvent* event);

private:
    const Callback _callback;
    bool _enabled = false;
    bool _valid = true;
};
