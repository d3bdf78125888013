#include "Modules/Network/VLNetworkSessionDelegate.h"

#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLNetworkBodyBuffers.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Network/VLHTTPDataTask.h"

void VLNetworkSessionDelegate::willPerformRedirection(VLHTTPDataTask&, const VLHTTPResponse&,
                                                      const VLURL& location,
                                                      std::function<void(bool follow)> decide) {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime || runtime->isTerminated() || runtime->networkDenialForURL(location)) {
        decide(false);
        return;
    }
    if (!runtime->checksNetworkAddresses()) {
        decide(true);
        return;
    }
    VLGlobalQueue::async([host = location.host().value_or(""), decide = std::move(decide)] {
        decide(!VLRuntime::hostResolvesToLocalNetwork(host));
    });
}

bool VLNetworkSessionDelegate::didReceiveResponse(VLHTTPDataTask& task, const VLHTTPResponse& response) {
    _hop.now([taskIdentifier = task.taskIdentifier(), response](VLNetworkJSBinding& binding) mutable {
        binding.taskDidReceiveResponse(taskIdentifier, std::move(response));
    });
    return true;
}

void VLNetworkSessionDelegate::didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) {
    std::shared_ptr<VLNetworkBodyBuffers::Piece>& piece = _pieces[task.taskIdentifier()];
    while (!data.empty()) {
        if (!piece)
            piece = std::make_shared<VLNetworkBodyBuffers::Piece>();
        data = data.subspan(piece->append(data));
        if (piece->isFull())
            passOn(task);
    }
}

void VLNetworkSessionDelegate::didReceiveAvailableData(VLHTTPDataTask& task) {
    passOn(task);
}

void VLNetworkSessionDelegate::passOn(VLHTTPDataTask& task) {
    const auto found = _pieces.find(task.taskIdentifier());
    if (found == _pieces.end() || !found->second)
        return;
    _hop.now([task = task.shared_from_this(), piece = std::move(found->second)](VLNetworkJSBinding& binding) {
        binding.taskDidReceiveData(task, piece);
    });
}

void VLNetworkSessionDelegate::didComplete(VLHTTPDataTask& task, const VLErrorRef& error) {
    passOn(task);
    _pieces.erase(task.taskIdentifier());
    _hop.now([taskIdentifier = task.taskIdentifier(), error](VLNetworkJSBinding& binding) {
        binding.taskDidComplete(taskIdentifier, error);
    });
}
