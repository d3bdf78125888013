#include "Platform/Network/VLWebSocketSession.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Network/VLWebSocketSessionIO.h"

#include <boost/asio/post.hpp>

#include <pthread.h>

namespace {

std::mutex testAuthorityLock;
std::string testAuthorityFile; // guarded by testAuthorityLock

std::string currentTestAuthorityFile() {
    std::lock_guard lock(testAuthorityLock);
    return testAuthorityFile;
}

} // namespace

VLWebSocketSession::IO::IO(const std::string& testAuthorityFile) {
    tls.set_default_verify_paths();
    if (!testAuthorityFile.empty()) {
        boost::system::error_code ignored;
        tls.load_verify_file(testAuthorityFile, ignored);
    }
    tls.set_verify_mode(boost::asio::ssl::verify_peer);
    work.emplace(boost::asio::make_work_guard(context));
}

void VLWebSocketSession::IO::post(std::function<void()> block) {
    std::lock_guard lock(endLock);
    if (!ended)
        boost::asio::post(context, std::move(block));
}

void VLWebSocketSession::setTestCertificateAuthorityFile(std::string path) {
    std::lock_guard lock(testAuthorityLock);
    testAuthorityFile = std::move(path);
}

std::shared_ptr<VLWebSocketSession>
VLWebSocketSession::create(std::string label, std::weak_ptr<VLWebSocketTaskDelegate> delegate,
                           Configuration configuration) {
    std::shared_ptr<VLWebSocketSession> session(
        new VLWebSocketSession(std::move(label), std::move(delegate), configuration));
    // The thread keeps the session until it is invalidated and its connections have let go.
    std::thread([session] { session->run(); }).detach();
    return session;
}

VLWebSocketSession::VLWebSocketSession(std::string label, std::weak_ptr<VLWebSocketTaskDelegate> delegate,
                                       Configuration configuration)
    : _label(std::move(label)), _delegate(std::move(delegate)), _configuration(configuration),
      _io(std::make_unique<IO>(currentTestAuthorityFile())) {}

VLWebSocketSession::~VLWebSocketSession() = default;

void VLWebSocketSession::run() {
    pthread_setname_np(pthread_self(), VLStringShortenedBelowByteCount(_label, 16).c_str());
    // Sleeps in the reactor while nothing is under way: no timer is armed without a connection.
    _io->context.run();
    std::lock_guard lock(_io->endLock);
    _io->ended = true;
}

std::shared_ptr<VLWebSocketTask> VLWebSocketSession::webSocketTask(const VLURL& url,
                                                                   std::vector<std::string> protocols,
                                                                   VLWebSocketTask::ConnectionFilter filter) {
    std::lock_guard lock(_lock);
    const uint64_t identifier = _nextTaskIdentifier++;
    std::shared_ptr<VLWebSocketTask> task(
        new VLWebSocketTask(shared_from_this(), identifier, url, std::move(protocols), std::move(filter)));
    task->makeConnection();
    std::erase_if(_tasks, [](const auto& entry) { return entry.second.expired(); });
    if (_invalidated)
        task->cancel();
    else
        _tasks.emplace(identifier, task);
    return task;
}

void VLWebSocketSession::invalidateAndCancel() {
    std::vector<std::shared_ptr<VLWebSocketTask>> tasks;
    {
        std::lock_guard lock(_lock);
        if (_invalidated)
            return;
        _invalidated = true;
        for (const auto& [identifier, weakTask] : _tasks) {
            if (std::shared_ptr<VLWebSocketTask> task = weakTask.lock())
                tasks.push_back(std::move(task));
        }
        _tasks.clear();
    }
    for (const auto& task : tasks)
        task->cancel();
    // Once the cancellations have run, nothing holds the thread.
    _io->post([io = _io.get()] { io->work.reset(); });
}
