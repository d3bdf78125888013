#pragma once

#include "Platform/Network/VLHTTPRequest.h"
#include "Platform/Network/VLHTTPSessionConfiguration.h"

#include <curl/curl.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class VLHTTPDataTask;
class VLHTTPSessionDelegate;

// HTTP(S) transfers on one thread of their own, one libcurl multi handle serving every task, with no
// cache and no proxy, and cookies only as the configuration asks. The session follows no redirect by
// itself: it asks its delegate about each one. Host names resolve through VLHostResolver away from the
// session's thread, and libcurl connects only to the addresses it gave. Requests give up after 60 s
// without a byte, or without a connection. HTTPS trusts the system's certificate authorities. data:
// URLs are read by the session itself, as responses that are not HTTP.
//
// Threads: tasks are made and steered from any thread; the transfers, the curl handles, the cookie
// store and every delegate call belong to the session's thread, which sleeps while no transfer needs
// it.
class VLHTTPSession final : public std::enable_shared_from_this<VLHTTPSession> {
public:
    using Block = std::function<void()>;

    // The thread carries the label; the delegate is held weakly.
    static std::shared_ptr<VLHTTPSession> create(std::string label,
                                                 std::weak_ptr<VLHTTPSessionDelegate> delegate,
                                                 VLHTTPSessionConfiguration configuration = {});
    ~VLHTTPSession();
    VLHTTPSession(const VLHTTPSession&) = delete;
    VLHTTPSession& operator=(const VLHTTPSession&) = delete;

    // A suspended task; resume() starts it.
    std::shared_ptr<VLHTTPDataTask> dataTaskWithRequest(VLHTTPRequest request);

    // Cancels the tasks under way (started and not completed) and ends the thread; what is posted
    // afterwards is dropped. A session that is never invalidated lives as long as the process.
    void invalidateAndCancel();

    const std::string& label() const { return _label; }
    const VLHTTPSessionConfiguration& configuration() const { return _configuration; }
    // True on the session's thread.
    bool isCurrent() const { return _thread.load() == std::this_thread::get_id(); }

private:
    friend class VLHTTPDataTask;

    VLHTTPSession(std::string label, std::weak_ptr<VLHTTPSessionDelegate> delegate,
                  VLHTTPSessionConfiguration configuration);
    void run();
    void runPostedBlocks();
    void finishTransfers();

    // For tasks: runs the block on the session's thread, later; dropped once the session has ended.
    void post(Block block);
    std::shared_ptr<VLHTTPSessionDelegate> delegate() const { return _delegate.lock(); }
    // Session thread: tasks between their start and their completion, and the transfers of their hops.
    void taskDidStart(const std::shared_ptr<VLHTTPDataTask>& task);
    void taskDidComplete(const VLHTTPDataTask& task);
    void addTransfer(const std::shared_ptr<VLHTTPDataTask>& task, CURL* handle);
    void removeTransfer(CURL* handle);
    // Session thread: the cookie store a transfer shares, or nullptr.
    CURLSH* cookieShare() const { return _cookieShare; }

    const std::string _label;
    const std::weak_ptr<VLHTTPSessionDelegate> _delegate;
    const VLHTTPSessionConfiguration _configuration;
    CURLM* const _multi;
    CURLSH* const _cookieShare;
    std::atomic<std::thread::id> _thread;
    std::atomic<uint64_t> _nextTaskIdentifier{1};

    std::mutex _queueLock; // guards the two members below; any thread
    std::deque<Block> _queue;
    bool _ended = false;

    // Session thread: the tasks started and not completed, and the transfers libcurl is working on.
    std::map<uint64_t, std::shared_ptr<VLHTTPDataTask>> _tasks;
    std::map<CURL*, std::shared_ptr<VLHTTPDataTask>> _transfers;
    bool _invalidated = false;
};
