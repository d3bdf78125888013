#include "Core/Engine/Log/VLLog.h"

#include "Core/Engine/Log/VLLogServiceContract.h"
#include "Core/Engine/Parts/VLServiceLocator.h"

#include <string>

std::shared_ptr<VLLogger> VLLogLoggerFor(std::string_view scope, std::string_view tag) {
    std::shared_ptr<VLLogServiceContract> service =
        VLServiceLocator::sharedInstance().resolve<VLLogServiceContract>();
    return service ? service->logger(std::string(tag), std::string(scope)) : nullptr;
}

void VLLogFlush() noexcept {
    try {
        if (std::shared_ptr<VLLogServiceContract> service =
                VLServiceLocator::sharedInstance().resolve<VLLogServiceContract>())
            service->flush();
    } catch (const std::exception&) {
        // Nothing could be queued either.
    }
}
