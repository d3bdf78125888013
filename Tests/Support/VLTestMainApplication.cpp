#include "Tests/Support/VLTestMainApplication.h"

#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLKeyedUnarchiver.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/sockios.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void makeSocketPair(int type, int (&pair)[2]) {
    if (::socketpair(AF_UNIX, type | SOCK_CLOEXEC, 0, pair) != 0) {
        std::perror("VLTestMainApplication: socketpair");
        std::abort();
    }
}

// A copy above the descriptors that the child's end takes, so that placing it there always copies it.
int movedAbove(int descriptor, int floor) {
    const int moved = ::fcntl(descriptor, F_DUPFD_CLOEXEC, floor);
    ::close(descriptor);
    return moved;
}

void closeIfOpen(int& descriptor) {
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

VLTestMainApplication::VLTestMainApplication(bool reads) {
    int pair[2];
    makeSocketPair(SOCK_STREAM, pair);
    _socket = pair[0];
    _hostSocket = pair[1];
    if (reads)
        startReading();
}

VLTestMainApplication::VLTestMainApplication(Spawned) {}

std::unique_ptr<VLTestMainApplication> VLTestMainApplication::spawn(const std::string& executable,
                                                                    const SpawnOptions& options) {
    std::unique_ptr<VLTestMainApplication> application(new VLTestMainApplication(Spawned{}));
    int pair[2];
    makeSocketPair(SOCK_STREAM, pair);
    application->_socket = pair[0];
    int hostEnd = movedAbove(pair[1], 10);
    int surfaceEnd = -1;
    if (options.surfaceSocket) {
        makeSocketPair(SOCK_SEQPACKET, pair);
        application->_surfaceSocket = pair[0];
        surfaceEnd = movedAbove(pair[1], 10);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, hostEnd, 3);
    if (surfaceEnd >= 0)
        posix_spawn_file_actions_adddup2(&actions, surfaceEnd, 4);
    const std::string errorPath = options.standardErrorPath.empty() ? "/dev/null" : options.standardErrorPath;
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.push_back(*entry);
    for (const std::string& entry : options.environment)
        environment.push_back(const_cast<char*>(entry.c_str()));
    environment.push_back(nullptr);
    char* arguments[] = {const_cast<char*>(executable.c_str()), nullptr};

    pid_t pid = -1;
    const int failure =
        posix_spawn(&pid, executable.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    closeIfOpen(hostEnd);
    closeIfOpen(surfaceEnd);
    if (failure != 0) {
        // As a shell reports a program it could not run.
        application->_exit = Exit{true, 127, 0};
    } else {
        application->_pid = pid;
        application->_waiter = std::thread([raw = application.get()] { raw->waitForProcess(); });
    }
    application->startReading();
    return application;
}

VLTestMainApplication::~VLTestMainApplication() {
    if (_socket >= 0)
        ::shutdown(_socket, SHUT_RDWR);
    if (_reader.joinable())
        _reader.join();
    if (_pid > 0) {
        {
            std::lock_guard guard(_lock);
            if (!_exit)
                ::kill(_pid, SIGKILL);
        }
        _waiter.join();
    }
    closeIfOpen(_socket);
    closeIfOpen(_hostSocket);
    closeIfOpen(_surfaceSocket);
}

int VLTestMainApplication::takeHostSocket() {
    const int socket = _hostSocket;
    _hostSocket = -1;
    return socket;
}

VLData VLTestMainApplication::frame(const VLDictionary& message) {
    return frame(*VLKeyedArchiver::archivedData(message));
}

VLData VLTestMainApplication::frame(std::span<const uint8_t> body) {
    const auto length = uint32_t(body.size());
    VLData bytes(4 + body.size());
    bytes[0] = uint8_t(length >> 24);
    bytes[1] = uint8_t(length >> 16);
    bytes[2] = uint8_t(length >> 8);
    bytes[3] = uint8_t(length);
    std::copy(body.begin(), body.end(), bytes.begin() + 4);
    return bytes;
}

void VLTestMainApplication::send(const VLDictionary& message) {
    sendRaw(frame(message));
}

int64_t VLTestMainApplication::request(VLDictionary message) {
    message.set("id", ++_lastRequestId);
    send(message);
    return _lastRequestId;
}

void VLTestMainApplication::sendRaw(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes = bytes.subspan(size_t(written));
    }
}

bool VLTestMainApplication::waitUntilRead(std::chrono::milliseconds limit) {
    // What the host has not read yet still counts against our end of the pair.
    const auto deadline = Clock::now() + limit;
    for (;;) {
        int unread = 0;
        if (::ioctl(_socket, SIOCOUTQ, &unread) != 0 || unread == 0)
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

size_t VLTestMainApplication::unreadByteCount() const {
    int unread = 0;
    return ::ioctl(_socket, SIOCINQ, &unread) == 0 ? size_t(unread) : 0;
}

void VLTestMainApplication::closeSocket() {
    ::shutdown(_socket, SHUT_RDWR);
}

void VLTestMainApplication::startReading() {
    if (!_reader.joinable())
        _reader = std::thread([this] { read(); });
}

void VLTestMainApplication::read() {
    VLData received;
    std::vector<uint8_t> chunk(65536);
    for (;;) {
        const ssize_t count = ::read(_socket, chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        received.insert(received.end(), chunk.begin(), chunk.begin() + count);
        size_t offset = 0;
        while (received.size() - offset >= 4) {
            const uint8_t* header = received.data() + offset;
            const size_t length = (size_t(header[0]) << 24) | (size_t(header[1]) << 16) |
                                  (size_t(header[2]) << 8) | size_t(header[3]);
            if (received.size() - offset - 4 < length)
                break;
            const VLValue message = VLKeyedUnarchiver::unarchivedDictionary({header + 4, length});
            offset += 4 + length;
            std::lock_guard guard(_lock);
            if (message.isDictionary())
                _messages.push_back(message.dictionaryValue());
            else
                ++_undecodable;
            _changed.notify_all();
        }
        received.erase(received.begin(), received.begin() + long(offset));
    }
    std::lock_guard guard(_lock);
    _ended = true;
    _changed.notify_all();
}

void VLTestMainApplication::waitForProcess() {
    int status = 0;
    while (::waitpid(_pid, &status, 0) < 0 && errno == EINTR)
        ;
    std::lock_guard guard(_lock);
    _exit = WIFEXITED(status) ? Exit{true, WEXITSTATUS(status), 0} : Exit{false, 0, WTERMSIG(status)};
    _changed.notify_all();
}

bool VLTestMainApplication::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    std::unique_lock guard(_lock);
    return _changed.wait_for(guard, limit, condition);
}

std::optional<VLDictionary>
VLTestMainApplication::waitForMessage(const std::function<bool(const VLDictionary&)>& matches,
                                      std::chrono::milliseconds limit) {
    return waitForMessageAfter(0, matches, limit);
}

std::optional<VLDictionary>
VLTestMainApplication::waitForMessageAfter(size_t skipped,
                                           const std::function<bool(const VLDictionary&)>& matches,
                                           std::chrono::milliseconds limit) {
    std::optional<VLDictionary> found;
    waitFor(
        [&] {
            for (size_t index = skipped; index < _messages.size(); ++index) {
                if (matches(_messages[index])) {
                    found = _messages[index];
                    return true;
                }
            }
            return false;
        },
        limit);
    return found;
}

std::optional<VLDictionary> VLTestMainApplication::waitForOp(const std::string& op,
                                                             std::chrono::milliseconds limit) {
    return waitForMessage([&](const VLDictionary& message) { return message.get("op") == VLValue(op); },
                          limit);
}

std::optional<VLDictionary> VLTestMainApplication::waitForReply(int64_t identifier,
                                                                std::chrono::milliseconds limit) {
    return waitForMessage(
        [&](const VLDictionary& message) {
            return message.get("op") == VLValue("reply") && message.get("to").isInteger() &&
                   message.get("to").integerValue() == identifier;
        },
        limit);
}

std::vector<VLDictionary> VLTestMainApplication::messages() const {
    std::lock_guard guard(_lock);
    return _messages;
}

size_t VLTestMainApplication::undecodableFrameCount() const {
    std::lock_guard guard(_lock);
    return _undecodable;
}

bool VLTestMainApplication::waitForEndOfStream(std::chrono::milliseconds limit) {
    return waitFor([&] { return _ended; }, limit);
}

std::optional<VLTestMainApplication::Exit>
VLTestMainApplication::waitForExit(std::chrono::milliseconds limit) {
    waitFor([&] { return _exit.has_value(); }, limit);
    std::lock_guard guard(_lock);
    return _exit;
}
