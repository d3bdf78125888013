#include "Platform/Network/VLHTTPSession.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Network/VLHTTPDataTask.h"

#include <pthread.h>

#include <climits>
#include <vector>

namespace {

CURLM* makeMulti() {
    static std::once_flag initialized;
    std::call_once(initialized, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return curl_multi_init();
}

// Only the session's thread uses the store, so it needs no lock.
CURLSH* makeCookieShare(bool keepsCookies) {
    if (!keepsCookies)
        return nullptr;
    CURLSH* share = curl_share_init();
    if (share)
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return share;
}

} // namespace

std::shared_ptr<VLHTTPSession> VLHTTPSession::create(std::string label,
                                                     std::weak_ptr<VLHTTPSessionDelegate> delegate,
                                                     VLHTTPSessionConfiguration configuration) {
    std::shared_ptr<VLHTTPSession> session(
        new VLHTTPSession(std::move(label), std::move(delegate), std::move(configuration)));
    // The thread keeps the session until it is invalidated.
    std::thread([session] { session->run(); }).detach();
    return session;
}

VLHTTPSession::VLHTTPSession(std::string label, std::weak_ptr<VLHTTPSessionDelegate> delegate,
                             VLHTTPSessionConfiguration configuration)
    : _label(std::move(label)), _delegate(std::move(delegate)), _configuration(std::move(configuration)),
      _multi(makeMulti()), _cookieShare(makeCookieShare(_configuration.keepsCookies)) {}

VLHTTPSession::~VLHTTPSession() {
    curl_multi_cleanup(_multi);
    // Transfers leave the store when they end, so nothing uses it by now.
    if (_cookieShare)
        curl_share_cleanup(_cookieShare);
}

std::shared_ptr<VLHTTPDataTask> VLHTTPSession::dataTaskWithRequest(VLHTTPRequest request) {
    return std::shared_ptr<VLHTTPDataTask>(
        new VLHTTPDataTask(weak_from_this(), _nextTaskIdentifier.fetch_add(1), std::move(request)));
}

void VLHTTPSession::invalidateAndCancel() {
    post([this] {
        _invalidated = true;
        std::vector<std::shared_ptr<VLHTTPDataTask>> tasks;
        for (const auto& [identifier, task] : _tasks)
            tasks.push_back(task);
        for (const auto& task : tasks)
            task->cancelNow();
    });
}

void VLHTTPSession::post(Block block) {
    {
        std::lock_guard lock(_queueLock);
        if (_ended)
            return;
        _queue.push_back(std::move(block));
    }
    curl_multi_wakeup(_multi);
}

void VLHTTPSession::taskDidStart(const std::shared_ptr<VLHTTPDataTask>& task) {
    _tasks.emplace(task->taskIdentifier(), task);
}

void VLHTTPSession::taskDidComplete(const VLHTTPDataTask& task) {
    _tasks.erase(task.taskIdentifier());
}

void VLHTTPSession::addTransfer(const std::shared_ptr<VLHTTPDataTask>& task, CURL* handle) {
    _transfers.emplace(handle, task);
    curl_multi_add_handle(_multi, handle);
}

void VLHTTPSession::removeTransfer(CURL* handle) {
    curl_multi_remove_handle(_multi, handle);
    // Out of the cookie store too, so that the store can go before a handle that a task keeps.
    curl_easy_setopt(handle, CURLOPT_SHARE, nullptr);
    _transfers.erase(handle);
}

void VLHTTPSession::run() {
    _thread.store(std::this_thread::get_id());
    pthread_setname_np(pthread_self(), VLStringShortenedBelowByteCount(_label, 16).c_str());
    for (;;) {
        runPostedBlocks();
        if (_invalidated && _transfers.empty())
            break;
        int running = 0;
        curl_multi_perform(_multi, &running);
        for (const auto& [handle, task] : _transfers)
            task->endDataPass();
        finishTransfers();
        {
            std::lock_guard lock(_queueLock);
            if (!_queue.empty())
                continue;
        }
        // Sleeps until a socket, a libcurl timer or a posted block needs the thread.
        curl_multi_poll(_multi, nullptr, 0, INT_MAX, nullptr);
    }
    std::lock_guard lock(_queueLock);
    _ended = true;
    _queue.clear();
}

void VLHTTPSession::runPostedBlocks() {
    std::deque<Block> blocks;
    {
        std::lock_guard lock(_queueLock);
        blocks.swap(_queue);
    }
    for (Block& block : blocks) {
        block();
        block = nullptr; // what it held goes now, not after the next wait
    }
}

void VLHTTPSession::finishTransfers() {
    int remaining = 0;
    while (CURLMsg* message = curl_multi_info_read(_multi, &remaining)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const auto found = _transfers.find(message->easy_handle);
        if (found == _transfers.end())
            continue;
        std::shared_ptr<VLHTTPDataTask> task = found->second;
        const CURLcode result = message->data.result;
        removeTransfer(message->easy_handle);
        task->transferDidEnd(result);
    }
}
