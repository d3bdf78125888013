#include "Core/Engine/Log/VLLogServiceImpl.h"

#include "Core/Engine/Log/VLLogPrintAdapter.h"
#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLStringWithFormat.h"

VL_EXPORT_PART_CLASS(VLLogServiceImpl);

VLLogServiceImpl::VLLogServiceImpl(const VLDynamicPartsLoader& loader)
    : _loader(loader),
      _logQueue(VLDispatchQueue::create(VLStringWithFormat("%s.log-service", kVLReverseDomainPrefix))),
      _logAdapters{std::make_shared<VLLogPrintAdapter>()} {}

std::shared_ptr<VLLogger> VLLogServiceImpl::logger(const std::string& tag) {
    return logger(tag, std::string());
}

std::shared_ptr<VLLogger> VLLogServiceImpl::logger(const std::string& tag, const std::string& scope) {
    std::string key = VLStringWithFormat("%@-%@", scope, tag);
    std::lock_guard guard(_loggerCacheLock);
    auto cached = _loggerCache.find(key);
    if (cached != _loggerCache.end())
        return cached->second;
    if (_loggerCache.size() >= loggerCacheLimit) {
        _loggerCache.erase(_loggerCacheOrder.front());
        _loggerCacheOrder.pop_front();
    }
    auto made = std::make_shared<VLLoggerImpl>(tag, scope, weak_from_this());
    _loggerCacheOrder.push_back(key);
    _loggerCache.emplace(std::move(key), made);
    return made;
}

void VLLogServiceImpl::logger(VLLogger&, std::shared_ptr<const VLLogMessage> message) {
    _logQueue->async([weakSelf = weak_from_this(), message = std::move(message)] {
        std::shared_ptr<VLLogServiceImpl> self = weakSelf.lock();
        if (!self)
            return;
        for (const std::shared_ptr<VLLogAdapter>& adapter : self->_logAdapters) {
            try {
                if (adapter->isLoggable(*message))
                    adapter->logWithMessage(*message);
            } catch (const std::exception&) {
                // A sink that cannot write the record (no memory) skips it; the queue goes on.
            }
        }
    });
}

void VLLogServiceImpl::serviceDidRegister() {
    std::vector<std::shared_ptr<VLLogAdapter>> registered;
    for (const VLPart& part : _loader.partsConformingToProtocol<VLLogAdapter>()) {
        if (auto adapter = std::dynamic_pointer_cast<VLLogAdapter>(part.instance()))
            registered.push_back(std::move(adapter));
    }
    if (registered.empty())
        return;
    _logQueue->async([weakSelf = weak_from_this(), registered = std::move(registered)] {
        if (std::shared_ptr<VLLogServiceImpl> self = weakSelf.lock())
            self->_logAdapters.insert(self->_logAdapters.end(), registered.begin(), registered.end());
    });
}

void VLLogServiceImpl::flush() {
    _logQueue->sync([] {});
}
