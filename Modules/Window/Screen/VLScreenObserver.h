#pragma once

// What the screen manager tells of a change of the displays. Called on the main thread.
class VLScreenObserver {
public:
    virtual ~VLScreenObserver() = default;

    // The displays changed; the manager's visible frames already follow.
    virtual void screenDidChanged() = 0;
};
