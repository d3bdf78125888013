#pragma once

// What the system-audio monitor tells its observers. It holds them weakly and calls both methods on its
// own queue, so observers hop to their own threads.
class VLSystemAudioObserver {
public:
    virtual ~VLSystemAudioObserver() = default;

    virtual void systemAudioMonitorActiveDidChange(bool active) = 0;
    // Only live observers count as wanting system audio, and only they are told.
    virtual bool systemAudioObserverIsLive() = 0;
};
