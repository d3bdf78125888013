#pragma once

#include "Core/Engine/Log/VLLogServiceContract.h"
#include "Core/Engine/Parts/VLServiceDecorator.h"

// What callers get when they resolve the log service: the registered service behind a decorator.
class VLLogService final : public VLServiceDecorator<VLLogServiceContract> {
public:
    using VLServiceDecorator::VLServiceDecorator;

    std::shared_ptr<VLLogger> logger(const std::string& tag, const std::string& scope) override {
        return service()->logger(tag, scope);
    }
    void flush() override { service()->flush(); }
};
