#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

// What the system-audio monitor needs of the machine's sound server: the other programs that play, news
// of changes, and a capture of what is played. The monitor keeps the rules; a backend only reports and
// acts. Any thread may call; the callbacks come on the backend's own thread, the samples on its IO thread.
class VLSystemAudioCaptureBackend {
public:
    // A program's stream of output.
    struct Process {
        uint32_t object = 0; // the server's id of the stream
        pid_t pid = -1;      // -1 when unknown
        bool runningOutput = false;
    };

    // The steps of a start, for the log line of the one that failed.
    enum class Step { Tap, Device, Start };
    struct StartResult {
        int status = 0; // 0 when the capture runs, else the server's error code
        Step failedStep = Step::Tap;
    };

    // Interleaved float32 frames of `channels` values each, on the IO thread.
    using SamplesHandler = std::function<void(const float* samples, size_t frames, unsigned channels)>;

    struct Handlers {
        // The list of processes, or whether one of them plays, may have changed.
        std::function<void()> processesChanged;
        // The server went away and came back: what was captured or listened to is gone.
        std::function<void()> serverRestarted;
    };

    virtual ~VLSystemAudioCaptureBackend() = default;

    // Begins reporting changes through the handlers, until stopWatching().
    virtual void startWatching(Handlers handlers) = 0;
    virtual void stopWatching() = 0;
    // The streams of output that the server knows, as last heard; empty when it can't be reached.
    virtual std::vector<Process> processes() = 0;

    // The rate of what a capture would deliver; 0 when it can't be read.
    virtual double nominalRate() = 0;
    // Captures what plays, leaving out the given processes where the server can. One at a time.
    virtual StartResult startCapture(const std::set<pid_t>& excluded, SamplesHandler handler) = 0;
    // Once it returns, the samples handler is never called again.
    virtual void stopCapture() = 0;
    // Widens what the running capture leaves out; 0 or the server's error code.
    virtual int changeExclusions(const std::set<pid_t>& excluded) = 0;
    // False once the server forgot the running capture (it went away meanwhile).
    virtual bool captureIsKnown() = 0;
};
