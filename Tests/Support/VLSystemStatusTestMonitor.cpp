#include "Tests/Support/VLSystemStatusTestMonitor.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Supports/SystemStatus/VLSystemStatusPathMonitor.h"

#include <cmath>
#include <fstream>
#include <mutex>

// Between the test and the path monitor the monitor made last.
struct VLSystemStatusTestMonitor::Link {
    std::mutex lock; // guards the members below; any thread
    bool answers = true;
    VLSystemStatusPath path{true, "wifi", false};
    VLSystemStatusPathMonitor::Handler handler;
};

namespace {

class TestPathMonitor final : public VLSystemStatusPathMonitor {
public:
    explicit TestPathMonitor(std::shared_ptr<VLSystemStatusTestMonitor::Link> link)
        : _link(std::move(link)) {}
    ~TestPathMonitor() override { cancel(); }

    void start(std::shared_ptr<VLDispatchQueue>, Handler handler) override {
        std::lock_guard lock(_link->lock);
        _link->handler = std::move(handler);
        if (_link->answers)
            _link->handler(_link->path);
    }
    void cancel() override {
        std::lock_guard lock(_link->lock);
        _link->handler = nullptr;
    }

private:
    const std::shared_ptr<VLSystemStatusTestMonitor::Link> _link;
};

} // namespace

VLSystemStatusTestMonitor::VLSystemStatusTestMonitor(const std::filesystem::path& fixture,
                                                     std::shared_ptr<VLSMCTransport> smc, bool pathAnswers)
    : _root(_directory / "root"), _link(std::make_shared<Link>()) {
    std::filesystem::copy(fixture, _root, std::filesystem::copy_options::recursive);
    _link->answers = pathAnswers;
    VLSystemStatusMonitor::Configuration configuration;
    configuration.root = _root.string();
    configuration.smc = std::move(smc);
    configuration.makePathMonitor = [link = _link] { return std::make_unique<TestPathMonitor>(link); };
    configuration.makeChangeSources = [] {
        return std::vector<std::unique_ptr<VLSystemStatusChangeSource>>();
    };
    configuration.clock = _scheduler->clock();
    configuration.scheduler = _scheduler;
    _monitor = VLSystemStatusMonitor::create(std::move(configuration));
}

VLSystemStatusTestMonitor::~VLSystemStatusTestMonitor() {
    settle();
}

void VLSystemStatusTestMonitor::write(const std::string& path, const std::string& contents) {
    std::filesystem::create_directories((_root / path).parent_path());
    std::ofstream(_root / path, std::ios::trunc) << contents;
}

void VLSystemStatusTestMonitor::setPath(const VLSystemStatusPath& path) {
    std::lock_guard lock(_link->lock);
    _link->path = path;
    _link->answers = true;
    if (_link->handler)
        _link->handler(path);
}

void VLSystemStatusTestMonitor::advance(double seconds) {
    settle();
    for (long step = std::lround(seconds * 100); step > 0; --step) {
        _scheduler->advance(0.01);
        settle();
    }
}

void VLSystemStatusTestMonitor::settle() {
    // A block of the queue may queue one more (a start queues the end of its path wait).
    for (int round = 0; round < 3; ++round)
        _monitor->flush();
}
