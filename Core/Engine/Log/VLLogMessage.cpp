#include "Core/Engine/Log/VLLogMessage.h"

#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <chrono>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string currentThreadID() {
    const long identifier = syscall(SYS_gettid);
    return identifier > 0 ? VLStringWithFormat("%llu", static_cast<unsigned long long>(identifier))
                          : std::string("missing threadId");
}

// A run-loop thread has its full name (the system keeps 15 bytes of it); a queue's worker has no name
// of its own (the record shows its queue's full label instead); the main thread is "main", not the
// program's name that the system gives it.
std::string currentThreadName() {
    if (std::shared_ptr<VLRunLoopThread> thread = VLRunLoopThread::current())
        return thread->name();
    if (VLDispatchQueue::current())
        return {};
    if (VLMainQueue::isCurrent())
        return "main";
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}

std::optional<std::string> optionalString(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

VLDate now() {
    using namespace std::chrono;
    return VLDate{duration<double>(system_clock::now().time_since_epoch()).count()};
}

} // namespace

VLLogMessage::VLLogMessage(std::string message, std::string scope, std::string tag, uint64_t level,
                           uint64_t flag, std::optional<std::string> file,
                           std::optional<std::string> function, uint64_t line, VLDate timestamp,
                           std::string threadID, std::string threadName, std::string queueLabel)
    : _message(std::move(message)), _scope(std::move(scope)), _tag(std::move(tag)), _level(level),
      _flag(flag), _file(std::move(file)), _function(std::move(function)), _line(line), _timestamp(timestamp),
      _threadID(std::move(threadID)), _threadName(std::move(threadName)), _queueLabel(std::move(queueLabel)) {
}

std::shared_ptr<const VLLogMessage> VLLogMessage::makeOnCurrentThread(std::string message, std::string scope,
                                                                      std::string tag, uint64_t level,
                                                                      uint64_t flag, const char* file,
                                                                      const char* function, uint64_t line) {
    return std::make_shared<const VLLogMessage>(std::move(message), std::move(scope), std::move(tag), level,
                                                flag, optionalString(file), optionalString(function), line,
                                                now(), currentThreadID(), currentThreadName(),
                                                VLDispatchQueue::currentLabel());
}
