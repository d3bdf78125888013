#include "Supports/SystemAudio/VLPulseAudioCaptureBackend.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Supports/SystemAudio/VLSystemAudioMonitor.h"
#include "Supports/SystemAudio/VLSystemAudioObserver.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kPulseRate = 44100;

// A program run with the given environment added (and the given standard input, unless -1), which dies
// with the test; -1 when it can't start.
pid_t spawnWithEnvironment(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& additions, int input = -1) {
    std::vector<std::string> environment = additions;
    for (char** entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        if (input >= 0)
            dup2(input, STDIN_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// A PulseAudio server of the test's own on a null sink, in a private runtime directory, ready once made
// (it says so on a notification socket) or with the reason it isn't.
class PulseAudioServer {
public:
    PulseAudioServer() {
        const std::string notifyPath = (_directory / "notify").string();
        const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", notifyPath.c_str());
        if (bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            _failure = "can't make the notification socket";
            close(notify);
            return;
        }
        _pid = spawnWithEnvironment(
            {"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
             "--load=module-native-protocol-unix auth-anonymous=1",
             "--load=module-null-sink sink_name=velto_test rate=" + std::to_string(kPulseRate)},
            {"XDG_RUNTIME_DIR=" + _directory.path().string(), "HOME=" + _directory.path().string(),
             "NOTIFY_SOCKET=" + notifyPath});
        const int exited = _pid > 0 ? int(syscall(SYS_pidfd_open, _pid, 0)) : -1;
        // Ready, or gone: whichever comes first.
        pollfd waits[2] = {{notify, POLLIN, 0}, {exited, POLLIN, 0}};
        char message[256] = {};
        if (_pid <= 0 || poll(waits, 2, 30000) <= 0 || !(waits[0].revents & POLLIN) ||
            recv(notify, message, sizeof message - 1, 0) <= 0 ||
            std::string(message).find("READY=1") == std::string::npos)
            _failure = "no PulseAudio server could start here";
        close(notify);
        if (exited >= 0)
            close(exited);
        _address = "unix:" + (_directory / "pulse" / "native").string();
    }
    ~PulseAudioServer() { stop(); }

    const std::string& failure() const { return _failure; }
    const std::string& address() const { return _address; }
    const VLTemporaryDirectory& directory() const { return _directory; }

    void stop() {
        if (_pid <= 0)
            return;
        kill(_pid, SIGKILL);
        waitpid(_pid, nullptr, 0);
        _pid = -1;
    }

private:
    VLTemporaryDirectory _directory{"velto-pulse"};
    pid_t _pid = -1;
    std::string _failure;
    std::string _address;
};

// A 440 Hz tone as stereo float32 frames, written on from where the last write ended. A write returns
// once the player took the frames in: the pipe and the player's 20 ms hold little of it.
class Tone {
public:
    void write(int descriptor, double seconds) {
        std::vector<float> frames(2 * size_t(seconds * kPulseRate));
        for (size_t frame = 0; frame < frames.size() / 2; ++frame, ++_position)
            frames[2 * frame] = frames[2 * frame + 1] =
                float(0.5 * std::sin(2 * std::numbers::pi * 440 * double(_position) / kPulseRate));
        const auto* bytes = reinterpret_cast<const char*>(frames.data());
        size_t remaining = frames.size() * sizeof(float);
        while (remaining > 0) {
            const ssize_t written = ::write(descriptor, bytes, remaining);
            if (written <= 0)
                return;
            bytes += written;
            remaining -= size_t(written);
        }
    }

private:
    uint64_t _position = 0;
};

class HeardObserver final : public VLSystemAudioObserver {
public:
    void systemAudioMonitorActiveDidChange(bool active) override {
        std::lock_guard lock(_lock);
        _wasActive |= active;
        _changed.notify_all();
    }
    bool systemAudioObserverIsLive() override { return true; }
    // Waits until the monitor said it hears sound, at most `limit`.
    bool waitUntilActive(std::chrono::seconds limit) {
        std::unique_lock lock(_lock);
        return _changed.wait_for(lock, limit, [this] { return _wasActive; });
    }

private:
    std::mutex _lock; // guards _wasActive
    std::condition_variable _changed;
    bool _wasActive = false;
};

} // namespace

TEST(VLPulseAudioCaptureBackend, CapturesWhatAnotherProgramPlaysAtTheServersRate) {
    PulseAudioServer server;
    if (!server.failure().empty())
        GTEST_SKIP() << server.failure();
    setenv("PULSE_SERVER", server.address().c_str(), 1);
    VLLogCapture log(VLLogFlagInfo | VLLogFlagDefault);
    auto monitor = VLSystemAudioMonitor::create({std::make_shared<VLPulseAudioCaptureBackend>(),
                                                 {},
                                                 {},
                                                 std::make_shared<VLUserDefaults>(),
                                                 "pulse-test"});
    auto observer = std::make_shared<HeardObserver>();
    monitor->addObserver(observer, true);
    monitor->flush();
    ASSERT_TRUE(monitor->isWatching());

    // Another process plays, so that what is heard isn't ours.
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    const pid_t player =
        spawnWithEnvironment({"pacat", "--raw", "--format=float32le", "--channels=2",
                              "--rate=" + std::to_string(kPulseRate), "--latency-msec=20"},
                             {"PULSE_SERVER=" + server.address(), "HOME=/nonexistent"}, pipe[0]);
    close(pipe[0]);
    ASSERT_GT(player, 0);
    Tone tone;
    tone.write(pipe[1], 0.5);
    EXPECT_TRUE(observer->waitUntilActive(std::chrono::seconds(30)));
    // Two more seconds of the tone: whatever the server's delay, the capture has heard it steadily since.
    tone.write(pipe[1], 2);
    VLSystemAudioSnapshot snapshot;
    monitor->readSnapshot(snapshot);
    EXPECT_TRUE(monitor->isCapturing());
    close(pipe[1]);
    int status = -1;
    ASSERT_EQ(waitpid(player, &status, 0), player);
    EXPECT_EQ(status, 0);
    const auto loudest = int(std::max_element(snapshot.bands, snapshot.bands + 128) - snapshot.bands);
    EXPECT_LE(VLSystemAudioBandLowFrequency(loudest), 440);
    EXPECT_GT(VLSystemAudioBandLowFrequency(loudest + 1), 440) << "the tone's band is the loudest";

    monitor.reset();
    server.stop();
    unsetenv("PULSE_SERVER");
    VLLogFlush();
    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Capturing at 44100 Hz") != std::string::npos;
    }));
}
