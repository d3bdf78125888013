// The content host program's cost for an answered small request: a "set" with "id" for a runtime id
// that is not hosted, sent to a spawned VeltoContent and answered, against a forked child that echoes
// the same frame on a bare socket pair. The measure is the CPU time of both processes together (this
// one's, and the child's summed over its threads), per request, medians over batches that take turns;
// goal within 3x. Wall time is printed beside it.
//
// Second, the cost of forwarding script messages: a widget in the spawned host posts 10,000 messages of
// about 100 bytes to a handler the peer asked for, and the peer reads them all; the host's CPU time per
// message (from /proc) against the same widget launched in this process posting to a handler that only
// counts; medians over batches that take turns; goal within 3x.
// Run pinned: taskset -c 2,3 VLContentHostBenchmark.

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Launcher/VLLauncher.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLKeyedUnarchiver.h"
#include "Platform/Foundation/VLMainQueue.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRequestsPerBatch = 2000;
constexpr int kBatches = 9;
constexpr int kMessagesPerBurst = 10000;
constexpr int64_t kBurstRuntime = 1;

// The widget that posts: burst(count) sends that many texts of 90 characters to "out".
constexpr const char* kBurstScript = "const text = 'x'.repeat(90);\n"
                                     "globalThis.burst = (count) => {\n"
                                     "  for (let i = 0; i < count; i++) postMessage('out', text);\n"
                                     "};\n"
                                     "setInterval(() => {}, 60000);\n";

VLData frameOf(const VLDictionary& message) {
    const VLData archive = *VLKeyedArchiver::archivedData(message);
    const auto length = uint32_t(archive.size());
    VLData frame(4 + archive.size());
    for (size_t i = 0; i < 4; ++i)
        frame[i] = uint8_t(length >> (24 - 8 * i));
    std::copy(archive.begin(), archive.end(), frame.begin() + 4);
    return frame;
}

bool writeAll(int socket, const uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(socket, bytes, length);
        if (written <= 0)
            return false;
        bytes += written;
        length -= size_t(written);
    }
    return true;
}

bool readAll(int socket, uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t count = ::read(socket, bytes, length);
        if (count <= 0)
            return false;
        bytes += count;
        length -= size_t(count);
    }
    return true;
}

// One whole frame, header included; false at the end of the stream.
bool readFrame(int socket, VLData& frame) {
    frame.resize(4);
    if (!readAll(socket, frame.data(), 4))
        return false;
    const size_t length =
        (size_t(frame[0]) << 24) | (size_t(frame[1]) << 16) | (size_t(frame[2]) << 8) | frame[3];
    frame.resize(4 + length);
    return readAll(socket, frame.data() + 4, length);
}

// CPU time of a child, in nanoseconds: the threads' run time where the kernel keeps it, else the
// process's user and system ticks.
double childCPUNanoseconds(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    bool found = false;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        double running = 0;
        if (std::ifstream(task.path() / "schedstat") >> running) {
            total += running;
            found = true;
        }
    }
    if (found)
        return total;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::string field;
    std::vector<std::string> fields;
    // The fields after the command name, which ends with the last ')'.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    while (rest >> field)
        fields.push_back(field);
    if (fields.size() < 13)
        return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) * 1e9 / double(sysconf(_SC_CLK_TCK));
}

double ownCPUNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

double wallNanoseconds() {
    return double(std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

// A process on the far end of a socket pair, which answers each frame with one frame.
struct Peer {
    pid_t pid = -1;
    int socket = -1;

    ~Peer() {
        ::close(socket);
        int status = 0;
        if (pid > 0)
            ::waitpid(pid, &status, 0);
    }
};

void makePair(int ends[2]) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        std::abort();
}

void spawnHost(Peer& peer) {
    int ends[2];
    makePair(ends);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
    char* arguments[] = {const_cast<char*>(VELTO_TOOL), nullptr};
    if (posix_spawn(&peer.pid, VELTO_TOOL, &actions, nullptr, arguments, environ) != 0)
        std::abort();
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    peer.socket = ends[0];
}

void forkEcho(Peer& peer) {
    int ends[2];
    makePair(ends);
    peer.pid = fork();
    if (peer.pid == 0) {
        ::close(ends[0]);
        VLData frame;
        while (readFrame(ends[1], frame) && writeAll(ends[1], frame.data(), frame.size())) {
        }
        _exit(0);
    }
    ::close(ends[1]);
    peer.socket = ends[0];
}

struct Batch {
    double cpu = 0;
    double wall = 0;
};

Batch runBatch(const Peer& peer, const VLData& request) {
    VLData answer;
    const double cpuBefore = ownCPUNanoseconds() + childCPUNanoseconds(peer.pid);
    const double wallBefore = wallNanoseconds();
    for (int i = 0; i < kRequestsPerBatch; ++i) {
        if (!writeAll(peer.socket, request.data(), request.size()) || !readFrame(peer.socket, answer))
            std::abort();
    }
    const double wall = wallNanoseconds() - wallBefore;
    const double cpu = ownCPUNanoseconds() + childCPUNanoseconds(peer.pid) - cpuBefore;
    return {cpu / kRequestsPerBatch, wall / kRequestsPerBatch};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The package of the posting widget, in a fresh temporary directory.
std::string writeBurstPackage() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velto-burst-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    std::ofstream(pattern + "/index.js") << kBurstScript;
    return pattern;
}

// Reads frames until the reply to the request; false at the end of the stream.
bool readUntilReply(int socket, int64_t identifier) {
    VLData frame;
    while (readFrame(socket, frame)) {
        const VLValue message = VLKeyedUnarchiver::unarchivedDictionary(std::span(frame).subspan(4));
        if (message["op"] == VLValue("reply") && message["to"] == VLValue(identifier))
            return true;
    }
    return false;
}

// The host's CPU time per message for one burst, read as the host sends it: the messages, then the
// answer to the call, which only the last frame needs decoding to confirm.
double hostBurst(const Peer& host, int64_t identifier) {
    const VLData call = frameOf({{"op", "callJS"},
                                 {"rid", kBurstRuntime},
                                 {"method", "burst"},
                                 {"arguments", VLArray{kMessagesPerBurst}},
                                 {"id", identifier}});
    const double before = childCPUNanoseconds(host.pid);
    if (!writeAll(host.socket, call.data(), call.size()))
        std::abort();
    VLData frame;
    for (int i = 0; i < kMessagesPerBurst; ++i) {
        if (!readFrame(host.socket, frame))
            std::abort();
    }
    if (!readUntilReply(host.socket, identifier))
        std::abort();
    return (childCPUNanoseconds(host.pid) - before) / kMessagesPerBurst;
}

class VLBurstCounter final : public VLJSEngineScriptMessageHandler {
public:
    void jsEngine(VLJSEngine&, const VLValue&) override { count.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<int64_t> count{0};
};

// The same widget in this process; its calls wait until the burst has run.
struct InProcessBurst {
    std::shared_ptr<VLManager> manager = VLManager::create();
    std::shared_ptr<VLLauncher> launcher = VLLauncher::create(manager);
    std::shared_ptr<VLBurstCounter> counter = std::make_shared<VLBurstCounter>();
    std::shared_ptr<VLRuntime> runtime;

    explicit InProcessBurst(const std::string& package) {
        auto payload = VLLaunchPayload::launchPaylodWithLocalPath(package);
        payload->setScriptMessageHandlers({{"out", counter}});
        bool arrived = false; // the main queue's
        launcher->launchWithPayload(payload,
                                    [&](const std::shared_ptr<VLRuntime>& launched, const VLErrorRef&) {
                                        VLMainQueue::async([&, launched] {
                                            runtime = launched;
                                            arrived = true;
                                        });
                                    });
        if (!VLMainQueue::runUntil([&] { return arrived; }) || !runtime)
            std::abort();
    }
    ~InProcessBurst() { manager->terminateRuntime(runtime); }

    double burst() {
        const int64_t before = counter->count.load();
        const double cpuBefore = ownCPUNanoseconds();
        runtime->engine()->callJSMethod("burst", VLArray{kMessagesPerBurst});
        const double cpu = ownCPUNanoseconds() - cpuBefore;
        if (counter->count.load() - before != kMessagesPerBurst)
            std::abort();
        return cpu / kMessagesPerBurst;
    }
};

void measureScriptMessages() {
    const std::string package = writeBurstPackage();
    Peer host;
    spawnHost(host);
    const int64_t launchId = 1000000;
    const VLData launch = frameOf({{"op", "launch"},
                                   {"rid", kBurstRuntime},
                                   {"payload", VLDictionary{{"localPath", package}}},
                                   {"handlers", VLArray{"out"}},
                                   {"id", launchId}});
    if (!writeAll(host.socket, launch.data(), launch.size()) || !readUntilReply(host.socket, launchId))
        std::abort();
    InProcessBurst local(package);
    // A first burst of each warms both up.
    hostBurst(host, 1);
    local.burst();
    std::vector<double> hosted, counted;
    for (int i = 0; i < kBatches; ++i) {
        hosted.push_back(hostBurst(host, i + 2));
        counted.push_back(local.burst());
    }
    std::printf(
        "a script message of about 100 bytes forwarded by VeltoContent, the host's CPU time: %.0f ns, "
        "floor %.0f ns for a counting handler in one process: %.2f× (goal ≤ 3×)\n",
        median(hosted), median(counted), median(hosted) / median(counted));
    std::error_code error;
    std::filesystem::remove_all(package, error);
}

} // namespace

int main() {
    const VLData request = frameOf({{"op", "set"}, {"rid", 999}, {"key", "volume"}, {"value", 1}, {"id", 1}});
    Peer host;
    spawnHost(host);
    Peer echo;
    forkEcho(echo);
    // A first batch of each warms both up.
    runBatch(host, request);
    runBatch(echo, request);
    std::vector<double> hostCPU, hostWall, echoCPU, echoWall;
    for (int i = 0; i < kBatches; ++i) {
        const Batch hosted = runBatch(host, request);
        const Batch echoed = runBatch(echo, request);
        hostCPU.push_back(hosted.cpu);
        hostWall.push_back(hosted.wall);
        echoCPU.push_back(echoed.cpu);
        echoWall.push_back(echoed.wall);
    }
    const double ratio = median(hostCPU) / median(echoCPU);
    std::printf(
        "an answered small request to VeltoContent, CPU time of both processes: %.0f ns, floor %.0f ns: "
        "%.2f× (goal ≤ 3×)\n",
        median(hostCPU), median(echoCPU), ratio);
    std::printf("the same, wall time: %.0f ns, floor %.0f ns: %.2f×\n", median(hostWall), median(echoWall),
                median(hostWall) / median(echoWall));
    measureScriptMessages();
    return 0;
}
