#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"
#include "Supports/SystemAudio/VLSystemAudioCaptureBackend.h"
#include "Supports/SystemAudio/VLSystemAudioSnapshotBuffer.h"

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class VLClock;
class VLDelayedBlock;
class VLDelayScheduler;
class VLDispatchQueue;
class VLSystemAudioObserver;
class VLSystemAudioSource;
class VLUserDefaults;
struct VLSystemAudioCapture;

// The process-wide source of system-audio snapshots, in one of two modes.
//
// Without a source it captures what other programs play and analyses it: only while somebody wants
// system audio (a live observer, or a read within the last 2 s), only while another program plays or
// played within 3 s, and only once this build of the program captured sound before or a reader that may
// ask wants it. It leaves out its own and related processes, restarts stalled captures and captures whose
// rate changed, and when it hears nothing but exact silence while others play it seems denied and tries
// again after 10, 20, 40 and then every 80 s.
//
// With a source (the content host) it captures nothing: it tells the source whether audio is wanted and
// may be asked for, and keeps the frames, activity and denial that the host hands in.
//
// The rules run on the queue "app.velto.system-audio", on the clock and the delay scheduler, so tests run
// them on manual time with a fake backend. Snapshots are read from sequence buffers on any thread;
// activity, denial, the source and the related processes sit under _lock. Observers are held weakly and
// told on the queue.
class VLSystemAudioMonitor final : public std::enable_shared_from_this<VLSystemAudioMonitor> {
public:
    struct Configuration {
        // Nothing: PulseAudio.
        std::shared_ptr<VLSystemAudioCaptureBackend> backend;
        // Nothing: the process's, at each use.
        std::shared_ptr<VLClock> clock;
        std::shared_ptr<VLDelayScheduler> scheduler;
        // Where the build that captured sound is remembered. Nothing: the standard defaults.
        std::shared_ptr<VLUserDefaults> defaults;
        // Nothing: this build's.
        std::optional<std::string> codeRequirement;
    };

    // The one monitor of the process, made on first use.
    static std::shared_ptr<VLSystemAudioMonitor> sharedInstance();
    // For tests: the monitor that sharedInstance() answers from now on; nullptr makes a new one at next use.
    static void setShared(std::shared_ptr<VLSystemAudioMonitor> monitor);
    static std::shared_ptr<VLSystemAudioMonitor> create(Configuration configuration = {});
    ~VLSystemAudioMonitor();
    VLSystemAudioMonitor(const VLSystemAudioMonitor&) = delete;
    VLSystemAudioMonitor& operator=(const VLSystemAudioMonitor&) = delete;

    // The capture is built in; without a sound server nothing plays and snapshots stay zero.
    static bool isSupported() { return true; }
    // True when this build of the program captured sound before.
    bool hasCapturedSound() const;
    // The restricted form of a 516-byte frame; nothing for any other length.
    static std::optional<VLData> restrictedFrameOfFrame(const VLData& frame);

    void readSnapshot(VLSystemAudioSnapshot& snapshot) const;
    // False unless a source is set and has handed in a restricted snapshot.
    bool readRestrictedSnapshot(VLSystemAudioSnapshot& snapshot) const;
    VLData currentFrame() const;
    bool isActive() const;
    bool seemsDenied() const;

    // A reader read a snapshot: audio stays wanted for 2 s.
    void noteReadMayAsk(bool mayAsk);
    void addObserver(const std::shared_ptr<VLSystemAudioObserver>& observer, bool mayAsk);
    void removeObserver(const std::shared_ptr<VLSystemAudioObserver>& observer);
    // With a source, tells it at once; else restarts a capture that seems denied, once it is 3 s old.
    void recheckAccess();

    std::set<pid_t> relatedProcessIdentifiers() const;
    void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers);

    std::shared_ptr<VLSystemAudioSource> source() const;
    // Setting no source also clears the snapshot.
    void setSource(std::shared_ptr<VLSystemAudioSource> source);
    // Any thread. Frames of other lengths than 516 bytes are ignored; activity and denial still apply.
    void receiveFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame, bool active,
                      bool seemsDenied);

    // For tests: returns once what was queued before the call has run; whether it watches and captures.
    void flush();
    bool isWatching() const;
    bool isCapturing() const;

private:
    explicit VLSystemAudioMonitor(Configuration configuration);

    double now() const;
    const VLClock& clock() const;
    std::shared_ptr<VLDelayedBlock> after(double seconds, std::function<void()> block);
    // Runs the method on the queue, unless the monitor is gone.
    void performOnQueue(void (VLSystemAudioMonitor::*method)());
    std::set<pid_t> ownProcessIdentifiers() const;
    const std::string& codeRequirement() const;

    // On the queue.
    void update();
    bool isWantedAsking(bool asking, double now);
    void armTimer();
    void timerDidFire();
    void cancelTimer();
    void startWatching();
    void stopWatching();
    void serviceDidRestart();
    void reloadProcesses();
    void updateOthersPlaying();
    void excludeFromTap(const std::set<pid_t>& processes);
    void startCapture();
    void stopCapture();
    void checkCapture(double now);
    void restartCapture();
    void recheck();
    void updateActive(double now);
    void applyActive(bool active);
    void updateSource(const std::shared_ptr<VLSystemAudioSource>& source);
    // Any thread.
    void setSeemsDenied(bool denied);

    const Configuration _configuration;
    const std::shared_ptr<VLSystemAudioCaptureBackend> _backend;
    std::shared_ptr<VLDispatchQueue> _queue;

    // Any thread.
    VLSystemAudioSnapshotBuffer _snapshots;
    VLSystemAudioSnapshotBuffer _restrictedSnapshots;
    std::atomic<bool> _hasRestrictedSnapshot{false};
    std::atomic<double> _lastRead{0}, _lastAskingRead{0}; // clock seconds; 0 = never
    std::atomic<bool> _watching{false};
    std::atomic<bool> _capturing{false};

    mutable std::mutex _lock; // guards the four members below; any thread
    bool _active = false;
    bool _seemsDenied = false;
    std::shared_ptr<VLSystemAudioSource> _source;
    std::set<pid_t> _relatedProcessIdentifiers;

    // The queue's.
    std::vector<std::weak_ptr<VLSystemAudioObserver>> _observers, _askingObservers, _untoldObservers;
    std::shared_ptr<VLDelayedBlock> _timer;
    bool _backendWatching = false;
    std::vector<VLSystemAudioCaptureBackend::Process> _otherProcesses; // the streams of other programs
    bool _othersPlaying = false;
    double _othersStartedAt = 0, _othersStoppedAt = 0;
    std::set<pid_t> _tapExcluded;
    std::unique_ptr<VLSystemAudioCapture> _capture;
    double _captureStartedAt = 0, _captureFailedAt = 0;
    double _deniedRetryInterval = 10.0;
    bool _recheckWhenOld = false;
    bool _sourceWanted = false, _sourceMayAsk = false, _sourceActive = false;
};
