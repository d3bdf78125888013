#include "Core/Runtime/VLRemoteResource.h"

#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLNetworkPolicy.h"
#include "Core/Runtime/VLRemoteError.h"
#include "Core/Runtime/VLRemoteMediaLoader.h"
#include "Core/Runtime/VLRemoteMediaSource.h"
#include "Core/Runtime/VLRemoteSession.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUUID.h"
#include "Platform/Network/VLHTTPDataTask.h"

#include <sys/mman.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <mutex>

namespace {

// How long a download may take, arriving bytes or not.
constexpr double kDownloadTimeLimit = 120.0;
// Media URLs kept at most; the table starts over when full.
constexpr size_t kMediaSourceLimit = 256;

// The media URLs of the process; any thread, under the mutex. Never destroyed.
struct MediaSources {
    std::mutex lock;
    std::map<std::string, VLRemoteMediaSource> sources;

    static MediaSources& shared() {
        static MediaSources* table = new MediaSources();
        return *table;
    }
};

// A large announced body is written once from start to end: huge pages spare most of its page faults.
void reserveBody(VLData& buffer, size_t length) {
    buffer.reserve(length);
    constexpr size_t kHugePage = 2u << 20;
    if (buffer.capacity() < 4 * kHugePage)
        return;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(buffer.data()) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(buffer.data()) + buffer.capacity()) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Where download time-outs fire. Never destroyed.
const std::shared_ptr<VLDispatchQueue>& timeoutQueue() {
    static const std::shared_ptr<VLDispatchQueue>* queue = new std::shared_ptr<VLDispatchQueue>(
        VLDispatchQueue::create(VLStringWithFormat("%@.remote-timeout", kVLReverseDomainPrefix)));
    return *queue;
}

} // namespace

VLRemoteCheck VLRemoteResource::checkForRuntime(const std::shared_ptr<VLRuntime>& runtime) {
    std::weak_ptr<VLRuntime> weakRuntime = runtime;
    VLRemoteCheck::URLCheck check = [weakRuntime](const VLURL& url) -> std::optional<std::string> {
        std::shared_ptr<VLRuntime> runtime = weakRuntime.lock();
        if (!runtime || runtime->isTerminated())
            return VLStringWithFormat("the content stopped");
        const std::string scheme = url.lowercaseScheme();
        if (scheme != "http" && scheme != "https")
            return VLStringWithFormat("only http and https URLs can be reached");
        if (std::optional<std::string> denial = runtime->networkDenialForURL(url))
            return denial;
        if (runtime->checksNetworkAddresses() &&
            VLRuntime::hostResolvesToLocalNetwork(url.host().value_or("")))
            return VLLocalNetworkAddressDenial(url);
        return std::nullopt;
    };
    if (!runtime || !runtime->checksNetworkAddresses())
        return VLRemoteCheck(std::move(check));
    VLRemoteCheck::AddressCheck addressCheck =
        [weakRuntime](const VLURL& url, const VLNetworkAddress& address) -> std::optional<std::string> {
        std::shared_ptr<VLRuntime> runtime = weakRuntime.lock();
        if (!runtime || runtime->isTerminated())
            return VLStringWithFormat("the content stopped");
        if (VLNetworkAddressIsLocal(address))
            return VLLocalNetworkAddressDenial(url);
        return std::nullopt;
    };
    return VLRemoteCheck(std::move(check), std::move(addressCheck));
}

std::shared_ptr<VLRemoteDownload>
VLRemoteResource::downloadDataWithContentsOfURL(const VLURL& url, VLRemoteCheck check, uint64_t maximumLength,
                                                VLRemoteDownload::Completion completion) {
    auto download = std::make_shared<VLRemoteDownload>(std::move(completion));
    // The blocks run on the session's thread, one at a time: the buffer and the stored error need no lock.
    auto buffer = std::make_shared<VLData>();
    auto storedError = std::make_shared<VLErrorRef>();
    auto task = std::make_shared<VLRemoteTask>();
    task->check = std::move(check);
    task->response = [url, maximumLength, storedError, buffer](const VLHTTPResponse& response) {
        const long status = response.statusCode();
        if (status < 200 || status > 299) {
            *storedError = VLMakeRemoteError(url, VLStringWithFormat("the server answered %ld", status));
            return false;
        }
        const int64_t expected = response.expectedContentLength();
        if (expected >= 0 && uint64_t(expected) > maximumLength) {
            *storedError = VLMakeRemoteError(url, "it's too large");
            return false;
        }
        // One allocation for an announced body, instead of a copy at each doubling.
        if (expected > 0)
            reserveBody(*buffer, size_t(expected));
        return true;
    };
    task->data = [url, maximumLength, buffer, storedError,
                  weakDownload = std::weak_ptr(download)](std::span<const uint8_t> chunk) {
        if (*storedError)
            return;
        if (buffer->size() + chunk.size() <= maximumLength &&
            buffer->size() + chunk.size() >= buffer->size()) {
            buffer->insert(buffer->end(), chunk.begin(), chunk.end());
            return;
        }
        *storedError = VLMakeRemoteError(url, "it's too large");
        buffer->clear();
        buffer->shrink_to_fit();
        if (std::shared_ptr<VLRemoteDownload> download = weakDownload.lock())
            download->fail(*storedError);
    };
    task->completion = [download, buffer, storedError](const VLErrorRef& error) {
        const VLErrorRef failure = *storedError ? *storedError : error;
        if (failure)
            download->finish(std::nullopt, failure);
        else
            download->finish(std::move(*buffer), nullptr);
    };
    download->setSessionTask(VLRemoteSession::shared()->start(VLHTTPRequest(url), std::move(task)));
    VLDelayScheduler::shared()->after(
        kDownloadTimeLimit, timeoutQueue(), [url, weakDownload = std::weak_ptr(download)] {
            if (std::shared_ptr<VLRemoteDownload> download = weakDownload.lock())
                download->fail(VLMakeRemoteError(url, "it took too long"));
        });
    return download;
}

std::optional<VLData> VLRemoteResource::dataWithContentsOfURL(const VLURL& url, VLRemoteCheck check,
                                                              uint64_t maximumLength, VLErrorRef* error) {
    if (VLRemoteSession::shared()->isCurrent()) {
        if (error)
            *error = VLMakeRemoteError(url, "it can't be waited for on the download thread");
        return std::nullopt;
    }
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::optional<VLData> result;
    VLErrorRef failure;
    std::shared_ptr<VLRemoteDownload> download =
        downloadDataWithContentsOfURL(url, std::move(check), maximumLength,
                                      [&](std::optional<VLData> data, const VLErrorRef& downloadError) {
                                          std::lock_guard guard(lock);
                                          result = std::move(data);
                                          failure = downloadError;
                                          done = true;
                                          finished.notify_all();
                                      });
    std::unique_lock guard(lock);
    finished.wait(guard, [&] { return done; });
    if (error)
        *error = failure;
    return result;
}

VLURL VLRemoteResource::mediaURLForURL(const VLURL& url, VLRemoteCheck check) {
    const std::string extension = url.pathExtension();
    const std::string name = extension.empty() ? "media" : "media." + extension;
    VLURL mediaURL(VLStringWithFormat("%@://%@/%@", VLRemoteMediaScheme, VLUUID().UUIDString(), name));
    MediaSources& table = MediaSources::shared();
    std::lock_guard lock(table.lock);
    if (table.sources.size() >= kMediaSourceLimit)
        table.sources.clear();
    table.sources.insert_or_assign(mediaURL.absoluteString(), VLRemoteMediaSource{url, std::move(check)});
    return mediaURL;
}

std::shared_ptr<VLRemoteMediaLoader> VLRemoteResource::mediaLoaderForMediaURL(const VLURL& mediaURL) {
    MediaSources& table = MediaSources::shared();
    std::lock_guard lock(table.lock);
    const auto found = table.sources.find(mediaURL.absoluteString());
    if (found == table.sources.end())
        return nullptr;
    return VLRemoteMediaLoader::create(found->second.URL, found->second.check);
}
