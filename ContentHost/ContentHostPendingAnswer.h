#pragma once

#include "Platform/Foundation/VLValue.h"

#include <atomic>
#include <memory>

class ContentHostConnection;

// The answer a request waits for while the engine works on it. It goes once, from the main queue (so
// that it follows what the work reported meanwhile): with what answer() is given, or, when the work is
// dropped without answering (its engine went away first), with the fallback as the object dies, since
// a request the application sent must always complete.
//
// Threads: made on the main queue; answer() and the destructor from any thread.
class ContentHostPendingAnswer final {
public:
    ContentHostPendingAnswer(std::shared_ptr<ContentHostConnection> connection, VLDictionary request,
                             VLDictionary fallback = {});
    ~ContentHostPendingAnswer();
    ContentHostPendingAnswer(const ContentHostPendingAnswer&) = delete;
    ContentHostPendingAnswer& operator=(const ContentHostPendingAnswer&) = delete;

    // Only the first call answers.
    void answer(VLDictionary payload);

private:
    const std::shared_ptr<ContentHostConnection> _connection;
    const VLDictionary _request;
    const VLDictionary _fallback;
    std::atomic<bool> _answered{false};
};
