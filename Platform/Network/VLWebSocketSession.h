#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLWebSocketSessionConfiguration.h"
#include "Platform/Network/VLWebSocketTask.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class VLWebSocketTaskDelegate;

// WebSocket connections on one thread of their own, which sleeps while no connection needs it: an
// io_context of Boost.Asio serving every task of the session, through Boost.Beast.
//
// Threads: tasks are made from any thread; the io_context runs on the session's thread, and every
// delegate call comes from there. The task list is under a lock.
class VLWebSocketSession final : public std::enable_shared_from_this<VLWebSocketSession> {
public:
    using Configuration = VLWebSocketSessionConfiguration;
    struct IO;

    // The thread carries the label; the delegate is held weakly.
    static std::shared_ptr<VLWebSocketSession> create(std::string label,
                                                      std::weak_ptr<VLWebSocketTaskDelegate> delegate,
                                                      Configuration configuration = {});
    ~VLWebSocketSession();
    VLWebSocketSession(const VLWebSocketSession&) = delete;
    VLWebSocketSession& operator=(const VLWebSocketSession&) = delete;

    // A suspended task for a ws or wss URL.
    std::shared_ptr<VLWebSocketTask> webSocketTask(const VLURL& url, std::vector<std::string> protocols,
                                                   VLWebSocketTask::ConnectionFilter filter = {});
    // Cancels every task and lets the thread end once their connections have let go.
    void invalidateAndCancel();

    const std::string& label() const { return _label; }
    const Configuration& configuration() const { return _configuration; }
    std::shared_ptr<VLWebSocketTaskDelegate> delegate() const { return _delegate.lock(); }
    // The Asio machinery, for the tasks.
    IO& io() const { return *_io; }

    // For tests only: a PEM file of authorities that wss connections trust beside the system's, for
    // sessions made afterwards. Empty takes it back.
    static void setTestCertificateAuthorityFile(std::string path);

private:
    VLWebSocketSession(std::string label, std::weak_ptr<VLWebSocketTaskDelegate> delegate,
                       Configuration configuration);
    void run();

    const std::string _label;
    const std::weak_ptr<VLWebSocketTaskDelegate> _delegate;
    const Configuration _configuration;
    const std::unique_ptr<IO> _io;

    std::mutex _lock; // guards the members below; any thread
    uint64_t _nextTaskIdentifier = 1;
    std::map<uint64_t, std::weak_ptr<VLWebSocketTask>> _tasks;
    bool _invalidated = false;
};
