// VeltoContent: the process that the main application starts to run widgets. The application's
// connection is a stream socket on descriptor 3; a SOCK_SEQPACKET socket on descriptor 4, when there
// is one, carries window mirrors.
#include "ContentHost/ContentHostAgent.h"
#include "ContentHost/ContentHostApplication.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Log/VLLogLevels.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLProcessTemporaryDirectory.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr int kConnectionDescriptor = 3;
constexpr int kAppPortDescriptor = 4;
// How long the runtimes' threads get to end once the connection closed.
constexpr std::chrono::seconds kEndingGrace{5};

int socketType(int descriptor) {
    int type = 0;
    socklen_t length = sizeof type;
    return getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) == 0 ? type : -1;
}

bool isUnixSeqpacketSocket(int descriptor) {
    sockaddr_storage address = {};
    socklen_t length = sizeof address;
    return socketType(descriptor) == SOCK_SEQPACKET &&
           getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_UNIX;
}

bool isConnectedStreamSocket(int descriptor) {
    sockaddr_storage peer = {};
    socklen_t length = sizeof peer;
    return socketType(descriptor) == SOCK_STREAM &&
           getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

void closeOnExec(int descriptor) {
    const int flags = fcntl(descriptor, F_GETFD);
    if (flags >= 0)
        fcntl(descriptor, F_SETFD, flags | FD_CLOEXEC);
}

} // namespace

int main() {
    // Before anything opens a descriptor that could take number 4.
    const std::optional<int> appPort =
        isUnixSeqpacketSocket(kAppPortDescriptor) ? std::optional<int>(kAppPortDescriptor) : std::nullopt;
    closeOnExec(kConnectionDescriptor);
    closeOnExec(kAppPortDescriptor);
    if (!isConnectedStreamSocket(kConnectionDescriptor)) {
        std::fprintf(stderr, "VeltoContent: descriptor 3 is not a connected stream socket\n");
        return 2;
    }
    VLLogSetLevelFromEnvironment();

    ContentHostApplication application;
    application.setActivationPolicy(ContentHostApplication::ActivationPolicy::Prohibited);
    std::shared_ptr<ContentHostAgent> agent = ContentHostAgent::create(kConnectionDescriptor, appPort);
    agent->setTerminationHandler([&application] { application.terminate(); });
    application.run([&application, &agent] {
        application.setActivationPolicy(ContentHostApplication::ActivationPolicy::Accessory);
        agent->applicationDidFinishLaunching();
    });

    agent.reset();
    const bool ended = VLRunLoopThread::waitUntilAllFinished(kEndingGrace);
    if (ended)
        VLRemoveEmptyProcessTemporaryDirectory("Velto-runtimes");
    // What the widgets stored is on the disk before the process goes.
    VLManager::flushStorage();
    VLLogFlush();
    if (!ended)
        _exit(0); // a script that never returns: its thread cannot be waited for
    return 0;
}
