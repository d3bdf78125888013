#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Network/VLHTTPResponse.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

// One request of the remote session and the blocks that hear of it. The blocks run on the session's
// thread, except a completion for a request that the check refused, which runs where the check ran.
class VLRemoteTask {
public:
    VLRemoteCheck check;
    // Go on with the response; without a block every response goes on.
    std::function<bool(const VLHTTPResponse& response)> response;
    std::function<void(std::span<const uint8_t> chunk)> data;
    // Once: nullptr on success.
    std::function<void(const VLErrorRef& error)> completion;

    // The refusal of a redirect or of an address, which the task ends with in place of the session's
    // own error. Any thread.
    void setDenial(VLErrorRef denial) {
        std::lock_guard lock(_lock);
        if (!_denial)
            _denial = std::move(denial);
    }
    VLErrorRef denial() const {
        std::lock_guard lock(_lock);
        return _denial;
    }

private:
    mutable std::mutex _lock; // guards _denial
    VLErrorRef _denial;
};
