#pragma once

#include "Platform/Foundation/VLValue.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// Plays the main application for the content host's tests, on its end of a connected stream socket:
// it sends framed keyed archives (or any bytes, split or merged as a test likes) and a reader thread of
// its own decodes every frame the host sends, so that a test can wait for a message that matches (a
// "reply" to an id, an op) or for the end of the stream.
//
// In-process, the host's end is for a connection under test (takeHostSocket()); spawned, an executable
// runs with no arguments, the host's end on descriptor 3 (and, when asked, a SOCK_SEQPACKET end on 4)
// and standard error in a file, and the peer tells whether and how it exited.
//
// Threads: any thread may send and wait; the reader thread and the process waiter are its own. Destroying
// the peer closes its ends, kills a process still running and reaps it.
class VLTestMainApplication {
public:
    using Clock = std::chrono::steady_clock;
    // Only keeps a broken test from hanging: a sanitized host's first launch on a busy machine has
    // taken more than 20 s.
    static constexpr std::chrono::seconds kDefaultLimit{60};

    struct SpawnOptions {
        // A SOCK_SEQPACKET pair whose other end the process finds on descriptor 4.
        bool surfaceSocket = false;
        // Where the process writes its standard error; /dev/null when empty.
        std::string standardErrorPath;
        // Added to the test's own environment.
        std::vector<std::string> environment;
    };

    struct Exit {
        // Ended by exit() (with `status`), or else by the signal.
        bool exited = false;
        int status = 0;
        int signal = 0;
    };

    // An in-process peer; with `reads` false it reads nothing until startReading(), so that the host's
    // writes fill the socket.
    explicit VLTestMainApplication(bool reads = true);
    static std::unique_ptr<VLTestMainApplication> spawn(const std::string& executable,
                                                        const SpawnOptions& options);
    ~VLTestMainApplication();
    VLTestMainApplication(const VLTestMainApplication&) = delete;
    VLTestMainApplication& operator=(const VLTestMainApplication&) = delete;

    // The host's end of the in-process pair; the caller owns it from then on.
    int takeHostSocket();
    // The peer's end of the surface pair of a spawned process, or -1.
    int surfaceSocket() const { return _surfaceSocket; }
    pid_t pid() const { return _pid; }

    // A message framed as the host reads it: the 4-byte big-endian length, then the archive.
    static VLData frame(const VLDictionary& message);
    // Any body behind its length.
    static VLData frame(std::span<const uint8_t> body);

    void send(const VLDictionary& message);
    // Sends the message with the peer's next request id (1, 2, 3...) as "id", and returns the id.
    int64_t request(VLDictionary message);
    // Writes the bytes as they are, in one go.
    void sendRaw(std::span<const uint8_t> bytes);
    // Waits until the host has read everything sent so far.
    [[nodiscard]] bool waitUntilRead(std::chrono::milliseconds limit = kDefaultLimit);
    // Bytes the host wrote that the peer has not read yet.
    size_t unreadByteCount() const;
    // The application goes away: its end of the socket closes.
    void closeSocket();

    void startReading();
    // The first message received, since the peer started, that matches; nothing once the limit passed.
    std::optional<VLDictionary> waitForMessage(const std::function<bool(const VLDictionary&)>& matches,
                                               std::chrono::milliseconds limit = kDefaultLimit);
    // Likewise among the messages after the first `skipped`.
    std::optional<VLDictionary> waitForMessageAfter(size_t skipped,
                                                    const std::function<bool(const VLDictionary&)>& matches,
                                                    std::chrono::milliseconds limit = kDefaultLimit);
    std::optional<VLDictionary> waitForOp(const std::string& op,
                                          std::chrono::milliseconds limit = kDefaultLimit);
    std::optional<VLDictionary> waitForReply(int64_t identifier,
                                             std::chrono::milliseconds limit = kDefaultLimit);
    // Every message received so far, in order.
    std::vector<VLDictionary> messages() const;
    // Frames that did not decode to a dictionary.
    size_t undecodableFrameCount() const;
    // Waits until the host has closed its end.
    [[nodiscard]] bool waitForEndOfStream(std::chrono::milliseconds limit = kDefaultLimit);
    // How the spawned process ended; nothing while it runs when the limit passes.
    std::optional<Exit> waitForExit(std::chrono::milliseconds limit = kDefaultLimit);

private:
    struct Spawned {};
    VLTestMainApplication(Spawned);
    void read();
    void waitForProcess();
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

    int _socket = -1;
    int _hostSocket = -1;
    int _surfaceSocket = -1;
    pid_t _pid = -1;
    int64_t _lastRequestId = 0; // the sending thread's

    // Guarded by `_lock`; the reader thread and the process waiter write, tests read.
    mutable std::mutex _lock;
    std::condition_variable _changed;
    std::vector<VLDictionary> _messages;
    size_t _undecodable = 0;
    bool _ended = false;
    std::optional<Exit> _exit;

    std::thread _reader;
    std::thread _waiter;
};
