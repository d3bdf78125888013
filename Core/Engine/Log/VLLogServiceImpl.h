#pragma once

#include "Core/Engine/Log/VLLogAdapter.h"
#include "Core/Engine/Log/VLLogServiceContract.h"
#include "Core/Engine/Log/VLLoggerDelegate.h"
#include "Core/Engine/Log/VLLoggerImpl.h"
#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLDynamicPartsLoader.h"
#include "Platform/Foundation/VLDispatchQueue.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// The log service, registered as a part: it hands out cached loggers and passes their records, in
// the order they were made, to its sinks on its own serial queue "app.velto.log-service". Its sinks
// are a print sink, then every registered part that adopts VLLogAdapter. Made with make_shared (its
// loggers hold it weakly).
class VLLogServiceImpl final : public VLDynamicParts,
                               public VLLoggerDelegate,
                               public VLLogServiceContract,
                               public std::enable_shared_from_this<VLLogServiceImpl> {
public:
    // Takes its further sinks from the given parts (the process's by default).
    explicit VLLogServiceImpl(const VLDynamicPartsLoader& loader = VLDynamicPartsLoader::shared());

    static constexpr size_t loggerCacheLimit = 1024;

    // The logger without scope.
    std::shared_ptr<VLLogger> logger(const std::string& tag);
    std::shared_ptr<VLLogger> logger(const std::string& tag, const std::string& scope) override;
    // Queues the record for the sinks.
    void logger(VLLogger& logger, std::shared_ptr<const VLLogMessage> message) override;
    // Adds the registered sinks after the print sink.
    void serviceDidRegister() override;
    void flush() override;

private:
    const VLDynamicPartsLoader& _loader;
    const std::shared_ptr<VLDispatchQueue> _logQueue;
    // Owned by _logQueue: read and changed only by its blocks.
    std::vector<std::shared_ptr<VLLogAdapter>> _logAdapters;

    // "<scope>-<tag>" → logger; the oldest entry goes first when the cache is full. Any thread.
    std::mutex _loggerCacheLock;
    std::unordered_map<std::string, std::shared_ptr<VLLoggerImpl>> _loggerCache;
    std::deque<std::string> _loggerCacheOrder;
};
