#pragma once

#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Supports/SystemStatus/VLSystemStatusMonitor.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <filesystem>
#include <memory>
#include <string>

class VLSMCTransport;

// A system-status monitor for tests: it reads a copy of a fixture tree, on manual time, follows a network
// path that the test sets, and has no other change sources. Time moves only through advance().
class VLSystemStatusTestMonitor {
public:
    // The fixture is a folder of the tree's files; without an SMC, the hardware monitors of the tree. A
    // path that does not answer leaves the monitor waiting for it at each start.
    explicit VLSystemStatusTestMonitor(const std::filesystem::path& fixture,
                                       std::shared_ptr<VLSMCTransport> smc = nullptr,
                                       bool pathAnswers = true);
    ~VLSystemStatusTestMonitor();

    const std::shared_ptr<VLSystemStatusMonitor>& monitor() const { return _monitor; }
    VLManualDelayScheduler& scheduler() { return *_scheduler; }
    const std::filesystem::path& root() const { return _root; }
    // Replaces a file of the copy, by its path in the tree ("proc/stat").
    void write(const std::string& path, const std::string& contents);

    // The path the monitor's path monitor answers, now and at later starts.
    void setPath(const VLSystemStatusPath& path);
    // Moves the clock in steps of 10 ms, letting the monitor's queue run what each step brings.
    void advance(double seconds);
    // Lets the monitor's queue run what was queued.
    void settle();

    struct Link;

private:
    VLTemporaryDirectory _directory{"velto-system-status"};
    std::filesystem::path _root;
    std::shared_ptr<VLManualDelayScheduler> _scheduler = std::make_shared<VLManualDelayScheduler>(
        std::make_shared<VLManualClock>(uint64_t(1000) * 1000000000));
    std::shared_ptr<Link> _link;
    std::shared_ptr<VLSystemStatusMonitor> _monitor;
};
