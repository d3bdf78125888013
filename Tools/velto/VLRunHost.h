#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Tools/velto/VLToolOptions.h"

#include <optional>
#include <string>
#include <sys/types.h>

class ContentHostConnection;

// `velto run --host`: plays the main application for one widget over the real socket. It starts
// VeltoContent with one end of a socket pair on descriptor 3 (and no app port), sends "launch" with the
// payload, asking for console lines, exceptions and the messages of each handler, and prints what comes
// back as `velto run` prints it. No message tells that the widget has nothing left to do, so the run
// lasts until the time-out or the host's exit; then it sends "terminate", closes the socket, and waits
// for the host to end, which removes the runtime's folders.
//
// Main thread only; the connection hands every message to the main queue.
class VLRunHost {
public:
    // 0 when the run ended, 1 when the host could not be started, 3 when the launch failed
    // ("launch failed: REASON" on standard error).
    static int run(const VLDictionary& payload, const VLToolOptions& options);

private:
    // The VeltoContent beside this program, else the one built with it.
    static std::string hostExecutable();
    // Starts the host on the other end of the pair; nothing after a message on standard error.
    static std::optional<pid_t> spawnHost(int socket);
    static void print(const VLDictionary& message);
    // Waits for the host to end.
    static void reap(pid_t host);

    // The rid the widget runs under, and the "id" of the launch request.
    static constexpr int64_t kRuntimeId = 1;
    // What the host may take to end its runtimes after the socket closed.
    static constexpr std::chrono::seconds kHostEndingAllowance{6};
};
