#pragma once

// The host's side of system audio: with a source set, the process captures nothing itself; the source
// hears what the widgets want and hands frames in through VLManager. Implemented by the content host;
// called on any thread.
class VLSystemAudioSource {
public:
    virtual ~VLSystemAudioSource() = default;
    virtual void systemAudioWantedDidChange(bool wanted, bool mayAsk) = 0;
    virtual void systemAudioAccessShouldBeRechecked() = 0;
};
