#include "ContentHost/ContentHostPendingAnswer.h"

#include "ContentHost/ContentHostConnection.h"
#include "Platform/Foundation/VLMainQueue.h"

ContentHostPendingAnswer::ContentHostPendingAnswer(std::shared_ptr<ContentHostConnection> connection,
                                                   VLDictionary request, VLDictionary fallback)
    : _connection(std::move(connection)), _request(std::move(request)), _fallback(std::move(fallback)) {}

ContentHostPendingAnswer::~ContentHostPendingAnswer() {
    answer(_fallback);
}

void ContentHostPendingAnswer::answer(VLDictionary payload) {
    if (_answered.exchange(true) || !_request.contains("id"))
        return;
    VLMainQueue::async(
        [connection = _connection, request = _request, payload = std::move(payload)]() mutable {
            connection->reply(request, std::move(payload));
        });
}
