#include "Core/Runtime/VLRemoteMediaLoadingRequest.h"

#include "Core/Runtime/VLRemoteMediaLoader.h"
#include "Platform/Foundation/VLDispatchQueue.h"

VLRemoteMediaLoadingRequest::VLRemoteMediaLoadingRequest(bool wantsContentInformation,
                                                         std::optional<DataRequest> dataRequest,
                                                         Handlers handlers)
    : _wantsContentInformation(wantsContentInformation), _dataRequest(dataRequest),
      _handlers(std::move(handlers)), _currentOffset(dataRequest ? dataRequest->requestedOffset : 0) {}

void VLRemoteMediaLoadingRequest::setContentInformation(const ContentInformation& information) {
    VLRemoteMediaLoader::queue()->async([self = shared_from_this(), information] {
        if (!self->isCancelled() && self->_handlers.contentInformation)
            self->_handlers.contentInformation(information);
    });
}

void VLRemoteMediaLoadingRequest::respondWithData(VLData chunk) {
    VLRemoteMediaLoader::queue()->async([self = shared_from_this(), chunk = std::move(chunk)] {
        if (self->isCancelled())
            return;
        self->_currentOffset += int64_t(chunk.size());
        if (self->_handlers.data)
            self->_handlers.data(chunk);
    });
}

void VLRemoteMediaLoadingRequest::finishLoading(const VLErrorRef& error) {
    if (_finished.exchange(true))
        return;
    VLRemoteMediaLoader::queue()->async([self = shared_from_this(), error] {
        if (!self->isCancelled() && self->_handlers.finish)
            self->_handlers.finish(error);
    });
}
