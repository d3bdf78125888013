#include "Core/Engine/Log/VLSystemLog.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {

void writeToStandardError(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

struct SystemLog {
    std::mutex lock;
    VLSystemLogWriter writer = writeToStandardError;
};

SystemLog& systemLog() {
    static SystemLog log;
    return log;
}

} // namespace

void VLSystemLogWrite(std::string_view line) {
    SystemLog& log = systemLog();
    std::lock_guard guard(log.lock);
    log.writer(line);
}

VLSystemLogWriter VLSetSystemLogWriter(VLSystemLogWriter writer) {
    SystemLog& log = systemLog();
    std::lock_guard guard(log.lock);
    VLSystemLogWriter previous = std::move(log.writer);
    log.writer = writer ? std::move(writer) : VLSystemLogWriter(writeToStandardError);
    return previous;
}
