#pragma once

#include "Platform/Foundation/VLPoint.h"

#include <cstdint>
#include <memory>
#include <vector>

class VLDelayedBlock;
class VLInputObserver;
class VLWSEvent;
class VLWSEventMonitor;
class VLWSKeyTap;

// The process-wide source of global input activity: every mouse move, press, release and wheel turn
// anywhere on the screen, from a global and a local event monitor, and the number of key presses (never
// which keys) from a listen-only key tap. Key counting needs listen access: without it the monitor asks
// for it at most once per user, for observers that may ask, and checks again every 2 s; a tap that can't
// be made is retried after 2, 4, 8, 16, 32 and then every 60 s. Monitors and the tap exist only while
// someone observes. Key presses reach observers at most ten times a second, on the 0.1 s grid of the
// clock, as one count.
//
// The class functions may be called on any thread; everything else, the observers' calls included, is
// main-thread work. Every delay goes through the process's delay scheduler and clock.
class VLInputMonitor final : public std::enable_shared_from_this<VLInputMonitor> {
public:
    static std::shared_ptr<VLInputMonitor> sharedInstance();
    // For tests: the monitor that sharedInstance() answers from now on; nullptr makes a new one at next use.
    static void setShared(std::shared_ptr<VLInputMonitor> monitor);

    // The pointer in global display coordinates (origin top-left of the main display, y down).
    static VLPoint pointerLocation();
    // Listen access is granted.
    static bool hasKeyAccess();
    // hasKeyAccess(), and the last tap made with access did not fail.
    static bool canCountKeys();
    static bool hasAskedForKeyAccess();
    // Access is still undecided, so asking would show the system's prompt.
    static bool canPromptForKeyAccess();
    // Remembers that it asked, and asks the system off the calling thread.
    static void askForKeyAccess();

    VLInputMonitor() = default;
    ~VLInputMonitor();
    VLInputMonitor(const VLInputMonitor&) = delete;
    VLInputMonitor& operator=(const VLInputMonitor&) = delete;

    void addMouseObserver(const std::shared_ptr<VLInputObserver>& observer);
    void removeMouseObserver(const std::shared_ptr<VLInputObserver>& observer);
    // An observer that `mayAsk` may make the system ask for access, once per user.
    void addKeyObserver(const std::shared_ptr<VLInputObserver>& observer, bool mayAsk);
    void removeKeyObserver(const std::shared_ptr<VLInputObserver>& observer);

    bool isWatchingMouse() const { return _globalMouseMonitor != nullptr; }
    bool isCountingKeys() const { return _keyTap != nullptr; }

private:
    using ObserverTable = std::vector<std::weak_ptr<VLInputObserver>>;

    static void addTo(ObserverTable& table, const std::shared_ptr<VLInputObserver>& observer);
    static void removeFrom(ObserverTable& table, const std::shared_ptr<VLInputObserver>& observer);
    // The live observers, pruning the others.
    static std::vector<std::shared_ptr<VLInputObserver>> live(ObserverTable& table);

    void updateMouseMonitoring();
    void handleMouseEvent(const VLWSEvent& event, bool local);

    void updateKeyMonitoring();
    void startKeyTap();
    void stopKeyTap();
    void checkKeyAccessLater(double delay);
    void cancelKeyAccessCheck();
    void keyTapHeard(bool timedOut, const VLWSEvent* event);
    void flushKeyPresses();

    ObserverTable _mouseObservers, _keyObservers, _askingKeyObservers;
    std::shared_ptr<VLWSEventMonitor> _globalMouseMonitor, _localMouseMonitor;
    std::shared_ptr<VLWSKeyTap> _keyTap;
    std::shared_ptr<VLDelayedBlock> _keyAccessTimer;
    uint64_t _keyTapFailures = 0;
    uint64_t _pendingKeyPresses = 0;
    bool _keyFlushScheduled = false;
};
