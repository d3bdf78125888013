#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class VLClock;
class VLDelayedBlock;
class VLDelayScheduler;
class VLDispatchQueue;
class VLSMCTransport;
class VLSystemStatusChangeSource;
class VLSystemStatusObserver;
class VLSystemStatusPathMonitor;
class VLSystemStatusReading;
class VLSystemStatusSampler;

// Posted on the default centre, with the monitor as object, on the thread that told of it, each time the
// machine goes to sleep or wakes.
inline constexpr char VLSystemStatusSystemSleepDidChangeNotification[] =
    "VLSystemStatusSystemSleepDidChangeNotification";

// The process-wide sampler of the machine's status. While a live observer is registered, or someone
// read within the last 2 s, it takes a reading every second and hands it to the live observers; a change
// that the system reports (network path, memory pressure, power supplies) brings an extra reading, at
// most one per 100 ms. Readings are at least 150 ms apart and never start from counters older than 2 s.
// From its creation on it also follows the machine's sleep, from the window server's workspace.
//
// Sampling, observers, timers and change handling run on the queue "app.velto.system-status"; path
// updates arrive on "app.velto.system-status.path". Every delay goes through the delay scheduler and
// every time is read from the clock, so tests run the rules on manual time. read(), isSystemAsleep()
// and isSampling() may be called from any thread; observers are held weakly and told on the queue.
class VLSystemStatusMonitor final : public std::enable_shared_from_this<VLSystemStatusMonitor> {
public:
    // What a monitor reads and how it tells time; the shared monitor uses the defaults.
    struct Configuration {
        // The folder under which the kernel's files are read.
        std::string root = "/";
        // Nothing: the hardware monitors under the root.
        std::shared_ptr<VLSMCTransport> smc;
        // Made at each start. Nothing: a netlink monitor of the files under the root.
        std::function<std::unique_ptr<VLSystemStatusPathMonitor>()> makePathMonitor;
        // Made at each start. Nothing: the memory-pressure trigger and the power supplies' events.
        std::function<std::vector<std::unique_ptr<VLSystemStatusChangeSource>>()> makeChangeSources;
        // Nothing: the process's, at each use.
        std::shared_ptr<VLClock> clock;
        std::shared_ptr<VLDelayScheduler> scheduler;
    };

    // The one monitor of the process, made on first use.
    static std::shared_ptr<VLSystemStatusMonitor> sharedInstance();
    // For tests: the monitor that sharedInstance() answers from now on; nullptr makes a new one at next use.
    static void setShared(std::shared_ptr<VLSystemStatusMonitor> monitor);
    // Reads the processor topology and the boot time, and starts following sleep.
    static std::shared_ptr<VLSystemStatusMonitor> create(Configuration configuration);
    static std::shared_ptr<VLSystemStatusMonitor> create() { return create(Configuration()); }
    ~VLSystemStatusMonitor();
    VLSystemStatusMonitor(const VLSystemStatusMonitor&) = delete;
    VLSystemStatusMonitor& operator=(const VLSystemStatusMonitor&) = delete;

    // The latest reading. When the monitor is not sampling, it starts and the caller waits for the first
    // reading: a baseline, up to 250 ms for the network path, at least 150 ms between baseline and
    // reading, then the reading. Called on the monitor's own queue it never waits, and answers the
    // latest reading, if any.
    std::shared_ptr<const VLSystemStatusReading> read();
    // Starts sampling when stopped; a live observer added while sampling gets the latest reading at once.
    void addObserver(const std::shared_ptr<VLSystemStatusObserver>& observer);
    void removeObserver(const std::shared_ptr<VLSystemStatusObserver>& observer);

    bool isSystemAsleep() const;
    bool isSampling() const;
    // Returns once what was queued on the monitor's queue before the call has run. For tests.
    void flush();

private:
    explicit VLSystemStatusMonitor(Configuration configuration);
    void followSleep();
    void setSystemAsleep(bool asleep);

    double now() const;
    // Runs the block on the queue after the delay, through the scheduler.
    std::shared_ptr<VLDelayedBlock> after(double seconds, std::function<void()> block);
    // Calls method on the monitor on the queue, unless it is gone.
    std::function<void()> weakly(void (VLSystemStatusMonitor::*method)());

    // On the queue.
    void start();
    void endPathWait();
    void stop();
    void tick();
    bool isWanted();
    void readSoon();
    void readAndTell();
    void tell(const std::shared_ptr<const VLSystemStatusReading>& reading);
    void takeBaseline();
    using ReadingHandler = std::function<void(const std::shared_ptr<const VLSystemStatusReading>&)>;
    void takeReading(ReadingHandler handler);
    void finishReading(const ReadingHandler& handler);
    void startPathMonitor();
    void stopPathMonitor();
    void startNotifications();
    void stopNotifications();
    // On the path queue.
    void pathDidUpdate(const VLSystemStatusPath& path, uint64_t generation);

    const Configuration _configuration;
    std::shared_ptr<VLDispatchQueue> _queue;
    std::shared_ptr<VLDispatchQueue> _pathQueue;

    mutable VLUnfairLock _lock; // guards the members below up to _path; any thread
    std::shared_ptr<const VLSystemStatusReading> _latest;
    double _lastRead; // when read() was last called; minus infinity at first
    bool _sampling = false;
    bool _systemAsleep = false;
    uint64_t _pathGeneration = 0;
    bool _hasPath = false;
    VLSystemStatusPath _path;

    // The queue's.
    std::vector<std::weak_ptr<VLSystemStatusObserver>> _observers;
    std::shared_ptr<VLDelayedBlock> _timer; // nothing while stopped
    bool _readSoonScheduled = false;
    uint64_t _generation = 0;
    bool _starting = false;
    bool _waitingForPath = false;
    std::shared_ptr<VLDelayedBlock> _pathWait;
    std::vector<ReadingHandler> _startWaiters;
    bool _readingInFlight = false;
    std::shared_ptr<VLDelayedBlock> _readingDelay;
    uint64_t _session = 0; // counts starts and stops, so that late blocks of a past session do nothing
    double _lastReadingAt, _baselineAt;
    std::unique_ptr<VLSystemStatusPathMonitor> _pathMonitor;
    std::vector<std::unique_ptr<VLSystemStatusChangeSource>> _changeSources;
    std::unique_ptr<VLSystemStatusSampler> _sampler;
    double _bootTime = 0;

    // Registered at creation, for the monitor's life.
    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _sleepObservers;
};
