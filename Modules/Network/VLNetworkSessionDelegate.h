#pragma once

#include "Modules/Network/VLNetworkBodyBuffers.h"
#include "Modules/Network/VLNetworkJSBinding.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"

#include <map>
#include <memory>

class VLRuntime;

// The delegate of the Network binding's session: it judges redirects by the runtime's network policy
// and hands responses, data and ends to the binding on its JavaScript thread at once. Holds the binding
// and the runtime weakly. Every method runs on the session's thread.
class VLNetworkSessionDelegate final : public VLHTTPSessionDelegate {
public:
    VLNetworkSessionDelegate(VLNetworkJSBinding::Hop hop, std::weak_ptr<VLRuntime> runtime)
        : _hop(std::move(hop)), _runtime(std::move(runtime)) {}

    // Refused when the runtime is gone or terminated, when the policy denies the new URL, or when the
    // runtime checks addresses and the new host resolves into the local network (judged away from the
    // session's thread); otherwise followed.
    void willPerformRedirection(VLHTTPDataTask& task, const VLHTTPResponse& response, const VLURL& location,
                                std::function<void(bool follow)> decide) override;
    bool didReceiveResponse(VLHTTPDataTask& task, const VLHTTPResponse& response) override;
    // Gathers the pieces of a body into the blocks of VLNetworkBodyBuffers, passed on when full or when
    // the session has handed on what had arrived: one hop and one ArrayBuffer for many of libcurl's
    // pieces.
    void didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) override;
    void didReceiveAvailableData(VLHTTPDataTask& task) override;
    void didComplete(VLHTTPDataTask& task, const VLErrorRef& error) override;

private:
    void passOn(VLHTTPDataTask& task);

    const VLNetworkJSBinding::Hop _hop;
    const std::weak_ptr<VLRuntime> _runtime;
    // The session's thread: each task's piece being gathered.
    std::map<uint64_t, std::shared_ptr<VLNetworkBodyBuffers::Piece>> _pieces;
};
