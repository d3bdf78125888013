#include "Core/Engine/Log/VLLogPrintAdapter.h"

#include "Core/Engine/Log/VLLogLevels.h"
#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <string_view>

std::atomic<uint64_t> VLLogPrintAdapter::_level{0};

namespace {

constexpr std::string_view whitespaceAndNewlines = " \t\n\r\v\f";

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(whitespaceAndNewlines);
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(whitespaceAndNewlines);
    return text.substr(first, last - first + 1);
}

// The file's last path component without its extension.
std::string fileStem(const std::optional<std::string>& file) {
    if (!file)
        return {};
    std::string_view name = *file;
    if (size_t slash = name.rfind('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

std::string categoryOf(const VLLogMessage& message) {
    if (!message.tag().empty())
        return message.tag();
    std::string stem = fileStem(message.file());
    return stem.empty() ? std::string("Velto") : stem;
}

// Where an error happened: "\nat <function>:<line>" and the thread, or the queue when the thread
// has no name.
std::string errorLocation(const VLLogMessage& message) {
    std::string where;
    if (!message.threadName().empty())
        where = VLStringWithFormat(", thread %@", message.threadName());
    else if (!message.queueLabel().empty())
        where = VLStringWithFormat(", thread %@", message.queueLabel());
    return VLStringWithFormat("\nat %@:%lu%@", message.function().value_or("?"), message.line(), where);
}

const char* typeOf(uint64_t flag) {
    switch (flag) {
    case VLLogFlagInfo:
        return "info";
    case VLLogFlagDefault:
        return "default";
    case VLLogFlagError:
        return "error";
    default:
        return "debug";
    }
}

} // namespace

void VLLogPrintAdapter::Log::write(const char* type, const std::string& text) const {
    VLSystemLogWrite(VLStringWithFormat("%@/%@ %s: %@", _subsystem, _category, type, text));
}

void VLLogPrintAdapter::setLevel(uint64_t level) {
    _level = level;
}

uint64_t VLLogPrintAdapter::level() {
    return _level;
}

bool VLLogPrintAdapter::isLoggable(const VLLogMessage& message) {
    return (message.level() & message.flag()) != 0 && (level() & message.flag()) != 0;
}

void VLLogPrintAdapter::logWithMessage(const VLLogMessage& message) {
    std::string text = trimmed(message.message());
    if (message.flag() == VLLogFlagError)
        text += errorLocation(message);
    const bool ownSubsystem = message.scope().find('.') != std::string::npos;
    const std::shared_ptr<const Log> log =
        ownSubsystem ? logFor(message.scope(), categoryOf(message)) : logForCategory(categoryOf(message));
    log->write(typeOf(message.flag()), text);
}

std::shared_ptr<const VLLogPrintAdapter::Log> VLLogPrintAdapter::logForCategory(const std::string& category) {
    return logFor(VLStringWithFormat("%s.engine", kVLReverseDomainPrefix), category);
}

std::shared_ptr<const VLLogPrintAdapter::Log> VLLogPrintAdapter::logFor(const std::string& subsystem,
                                                                        const std::string& category) {
    std::lock_guard guard(_logsLock);
    std::shared_ptr<const Log>& log = _logs[subsystem + '/' + category];
    if (!log)
        log = std::make_shared<const Log>(subsystem, category);
    return log;
}
