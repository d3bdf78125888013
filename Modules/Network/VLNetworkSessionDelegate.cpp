#include "Modules/Network/VLNetworkSessionDelegate.h"

#include "Core/Runtime/VLRuntime.h"
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
    _hop.now([task = task.shared_from_this(), data = VLData(data.begin(), data.end())](
                 VLNetworkJSBinding& binding) mutable { binding.taskDidReceiveData(task, std::move(data)); });
}

void VLNetworkSessionDelegate::didComplete(VLHTTPDataTask& task, const VLErrorRef& error) {
    _hop.now([taskIdentifier = task.taskIdentifier(), error](VLNetworkJSBinding& binding) {
        binding.taskDidComplete(taskIdentifier, error);
    });
}
