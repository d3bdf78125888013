#include "Core/Runtime/VLRemoteMediaLoader.h"

#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLRemoteError.h"
#include "Core/Runtime/VLRemoteMediaLoadingRequest.h"
#include "Core/Runtime/VLRemoteSession.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMIMETypes.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLURLError.h"

#include <algorithm>
#include <charconv>

namespace {

// What the transfer of one loading request keeps between its blocks; the session's thread only.
struct TransferState {
    int64_t bytesToSkip = 0;
    bool contentTypeSet = false;
};

// The response's MIME type, else the one of the URL's extension, else plain bytes.
std::string contentTypeFor(const VLHTTPResponse& response, const VLURL& url) {
    if (response.MIMEType() && !response.MIMEType()->empty())
        return *response.MIMEType();
    return VLPreferredMIMETypeForFilenameExtension(url.pathExtension()).value_or("application/octet-stream");
}

// The total after the last "/" of Content-Range when above 0, else the announced length.
int64_t contentLengthFor(const VLHTTPResponse& response) {
    if (std::optional<std::string> range = response.valueForHeader("Content-Range")) {
        const std::string total = range->substr(range->rfind('/') + 1);
        int64_t length = 0;
        std::from_chars(total.data(), total.data() + total.size(), length);
        if (length > 0)
            return length;
    }
    return std::max<int64_t>(response.expectedContentLength(), 0);
}

} // namespace

std::shared_ptr<VLRemoteMediaLoader> VLRemoteMediaLoader::create(VLURL url, VLRemoteCheck check) {
    return std::shared_ptr<VLRemoteMediaLoader>(new VLRemoteMediaLoader(std::move(url), std::move(check)));
}

const std::shared_ptr<VLDispatchQueue>& VLRemoteMediaLoader::queue() {
    static const std::shared_ptr<VLDispatchQueue>* queue = new std::shared_ptr<VLDispatchQueue>(
        VLDispatchQueue::create(VLStringWithFormat("%@.remote-media", kVLReverseDomainPrefix)));
    return *queue;
}

void VLRemoteMediaLoader::load(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request) {
    queue()->async(
        [self = shared_from_this(), request] { self->shouldWaitForLoadingOfRequestedResource(request); });
}

void VLRemoteMediaLoader::cancel(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request) {
    request->markCancelled();
    queue()->async([self = shared_from_this(), request] { self->didCancelLoadingRequest(request); });
}

void VLRemoteMediaLoader::shouldWaitForLoadingOfRequestedResource(
    const std::shared_ptr<VLRemoteMediaLoadingRequest>& request) {
    if (request->isCancelled())
        return;
    int64_t offset = 0;
    std::string range = "bytes=0-1";
    if (const auto& wanted = request->dataRequest()) {
        offset = request->currentOffset() != 0 ? request->currentOffset() : wanted->requestedOffset;
        range =
            wanted->requestsAllDataToEndOfResource
                ? VLStringWithFormat("bytes=%lld-", offset)
                : VLStringWithFormat("bytes=%lld-%lld", offset,
                                     std::max(offset, wanted->requestedOffset + wanted->requestedLength - 1));
    }
    VLHTTPRequest httpRequest(_url);
    httpRequest.headers.emplace_back("Range", range);

    auto state = std::make_shared<TransferState>();
    auto task = std::make_shared<VLRemoteTask>();
    task->check = _check;
    task->response = [request, state, offset, url = _url](const VLHTTPResponse& response) {
        if (request->isCancelled())
            return false;
        const long status = response.statusCode();
        if (status != 200 && status != 206) {
            request->finishLoading(
                VLMakeRemoteError(url, VLStringWithFormat("the server answered %ld", status)));
            return false;
        }
        if (request->wantsContentInformation()) {
            request->setContentInformation(
                {contentTypeFor(response, url), contentLengthFor(response), status == 206});
            state->contentTypeSet = true;
        }
        // A server that ignored the range sends from the first byte.
        state->bytesToSkip = status == 200 ? offset : 0;
        return request->dataRequest().has_value();
    };
    task->data = [request, state](std::span<const uint8_t> chunk) {
        if (request->isCancelled())
            return;
        const size_t skipped = size_t(std::min<int64_t>(state->bytesToSkip, int64_t(chunk.size())));
        state->bytesToSkip -= int64_t(skipped);
        if (skipped < chunk.size())
            request->respondWithData(VLData(chunk.begin() + long(skipped), chunk.end()));
    };
    task->completion = [weakSelf = weak_from_this(), request, state](const VLErrorRef& error) {
        if (!request->isCancelled() && !request->isFinished()) {
            // A request for the information alone ends by being cancelled once it has it.
            const bool answered = error && error->code() == VLURLErrorCancelled && !request->dataRequest() &&
                                  state->contentTypeSet;
            request->finishLoading(answered ? nullptr : error);
        }
        if (std::shared_ptr<VLRemoteMediaLoader> self = weakSelf.lock())
            self->forget(request.get());
    };
    std::shared_ptr<VLHTTPDataTask> dataTask = VLRemoteSession::shared()->start(std::move(httpRequest), task);
    std::lock_guard lock(_lock);
    if (!request->isFinished() && !request->isCancelled())
        _tasks[request.get()] = dataTask;
}

void VLRemoteMediaLoader::didCancelLoadingRequest(
    const std::shared_ptr<VLRemoteMediaLoadingRequest>& request) {
    std::shared_ptr<VLHTTPDataTask> task;
    {
        std::lock_guard lock(_lock);
        const auto found = _tasks.find(request.get());
        if (found == _tasks.end())
            return;
        task = found->second.lock();
        _tasks.erase(found);
    }
    if (task)
        task->cancel();
}

void VLRemoteMediaLoader::forget(const VLRemoteMediaLoadingRequest* request) {
    std::lock_guard lock(_lock);
    _tasks.erase(request);
}
