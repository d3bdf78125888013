#include "Core/Engine/Log/VLLoggerImpl.h"

void VLLoggerImpl::logWithFlag(uint64_t flag, const char* file, const char* function, uint64_t line,
                               std::string message) {
    std::shared_ptr<VLLoggerDelegate> delegate = _delegate.lock();
    if (!delegate)
        return;
    delegate->logger(*this, VLLogMessage::makeOnCurrentThread(std::move(message), _scope, _tag, level(), flag,
                                                              file, function, line));
}
