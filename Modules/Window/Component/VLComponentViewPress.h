#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLValue.h"

#include <optional>

// One press of the left button on a component view, from the press to its release.
//
// Main thread only.
class VLComponentViewPress {
public:
    VLComponentViewPress(bool movesWindow, VLPoint start) : _movesWindow(movesWindow), _start(start) {}

    // Whether the window may be dragged by this press.
    bool movesWindow() const { return _movesWindow; }
    // Once the pointer went more than 3 points from the start; it stays so.
    bool moved() const { return _moved; }
    // Screen coordinates.
    VLPoint start() const { return _start; }

    // The pointer is at `position` (screen coordinates) now.
    void follow(VLPoint position);

    // The "mousedown" payload that a window-moving press holds back until it has moved.
    const std::optional<VLDictionary>& heldDown() const { return _heldDown; }
    void setHeldDown(VLDictionary payload) { _heldDown = std::move(payload); }
    // The held payload, which the press then no longer holds.
    std::optional<VLDictionary> takeHeldDown();

private:
    const bool _movesWindow;
    bool _moved = false;
    std::optional<VLDictionary> _heldDown;
    const VLPoint _start;
};
