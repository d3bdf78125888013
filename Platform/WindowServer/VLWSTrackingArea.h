#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <memory>

class VLWSResponder;

// Tracking options, with the platform's values.
enum VLWSTrackingAreaOptions : uint64_t {
    VLWSTrackingMouseEnteredAndExited = 0x01,
    VLWSTrackingMouseMoved = 0x02,
    VLWSTrackingActiveAlways = 0x80,
    // The area follows the view's visible rectangle instead of its own.
    VLWSTrackingInVisibleRect = 0x200,
};

// A rectangle of a view in which the pointer's comings, goings and moves are reported to an owner, which
// it holds weakly. Immutable once made.
//
// Main thread only.
class VLWSTrackingArea final {
public:
    VLWSTrackingArea(VLRect rect, uint64_t options, std::weak_ptr<VLWSResponder> owner)
        : _rect(rect), _options(options), _owner(std::move(owner)) {}

    // In the view's coordinates.
    VLRect rect() const { return _rect; }
    uint64_t options() const { return _options; }
    std::shared_ptr<VLWSResponder> owner() const { return _owner.lock(); }

private:
    const VLRect _rect;
    const uint64_t _options;
    const std::weak_ptr<VLWSResponder> _owner;
};
