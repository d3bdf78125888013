#include "Tools/velto/VLRunHost.h"

#include "ContentHost/ContentHostConnection.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Tools/velto/VLPrintingMessageHandler.h"
#include "Tools/velto/VLScriptOutput.h"
#include "Tools/velto/VLToolWaiting.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace {

// The descriptor the host finds its connection on.
constexpr int kVLRunHostSocketDescriptor = 3;

} // namespace

int VLRunHost::run(const VLDictionary& payload, const VLToolOptions& options) {
    const auto deadline = std::chrono::steady_clock::now() + options.timeout();
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        VLScriptOutput::writeLine(stderr,
                                  std::string("velto: no socket for the host: ") + std::strerror(errno));
        return 1;
    }
    const std::optional<pid_t> host = spawnHost(ends[1]);
    ::close(ends[1]);
    if (!host) {
        ::close(ends[0]);
        return 1;
    }
    VLToolWaiting::begin(deadline);

    // The main queue's.
    struct Run {
        bool closed = false;
        bool failed = false;
    };
    auto state = std::make_shared<Run>();
    const std::shared_ptr<ContentHostConnection> connection = ContentHostConnection::create(ends[0]);
    connection->setMessageHandler(&VLRunHost::print);
    connection->setCloseHandler([state] { state->closed = true; });
    connection->start();

    VLArray handlers;
    for (const std::string& name : options.handlerNames())
        handlers.emplace_back(name);
    connection->request({{"op", "launch"},
                         {"rid", kRuntimeId},
                         {"payload", payload},
                         {"handlers", std::move(handlers)},
                         {"console", true},
                         {"exception", true}},
                        [state](const VLDictionary* reply) {
                            // No reply: the host went away; the run ends with it.
                            if (!reply || !reply->contains("failed"))
                                return;
                            const VLValue& error = reply->get("error");
                            VLScriptOutput::writeLine(
                                stderr, "launch failed: " + (error.isString() ? error.stringValue() : ""));
                            state->failed = true;
                        });
    VLToolWaiting::runMainQueueUntil([&] { return state->closed || state->failed; }, deadline);

    const int status = state->failed ? 3 : 0;
    VLToolWaiting::setEndingStatus(status);
    VLToolWaiting::allowAtLeast(kHostEndingAllowance);
    connection->send({{"op", "terminate"}, {"rid", kRuntimeId}});
    connection->close();
    reap(*host);
    VLToolWaiting::end(deadline);
    return status;
}

std::string VLRunHost::hostExecutable() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && std::filesystem::exists(self.parent_path() / "VeltoContent", error))
        return (self.parent_path() / "VeltoContent").string();
    return VELTO_CONTENT_HOST;
}

std::optional<pid_t> VLRunHost::spawnHost(int socket) {
    // dup2 onto the descriptor clears close-on-exec, except when the socket is that descriptor already.
    const int source = socket == kVLRunHostSocketDescriptor ? fcntl(socket, F_DUPFD_CLOEXEC, 10) : socket;
    const std::string executable = hostExecutable();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, source, kVLRunHostSocketDescriptor);
    char* arguments[] = {const_cast<char*>(executable.c_str()), nullptr};
    pid_t pid = -1;
    const int failure = posix_spawn(&pid, executable.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (source != socket)
        ::close(source);
    if (failure != 0) {
        VLScriptOutput::writeLine(stderr, "velto: can't start " + executable + ": " + std::strerror(failure));
        return std::nullopt;
    }
    return pid;
}

void VLRunHost::print(const VLDictionary& message) {
    const VLValue& op = message.get("op");
    const VLValue& text = message.get("message");
    if (op == VLValue("console") && message.get("level").isString() && text.isString()) {
        VLScriptOutput::consoleHandler()(message.get("level").stringValue(), text.stringValue());
    } else if (op == VLValue("exception") && text.isString()) {
        const VLValue& stack = message.get("stack");
        VLScriptOutput::exceptionHandler()(
            text.stringValue(), stack.isString() ? std::optional(stack.stringValue()) : std::nullopt);
    } else if (op == VLValue("script") && message.get("name").isString()) {
        VLPrintingMessageHandler::print(message.get("name").stringValue(), text);
    }
}

void VLRunHost::reap(pid_t host) {
    int status = 0;
    while (waitpid(host, &status, 0) < 0 && errno == EINTR) {
    }
}
