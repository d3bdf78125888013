#include "Platform/WindowServer/VLWSTransaction.h"

#include <mutex>
#include <optional>

namespace {

// The open transactions of this thread, outermost first, each with its own disable-actions setting.
thread_local std::vector<std::optional<bool>> openTransactions;

// Guards the log; any thread.
std::mutex logLock;
bool recording = false;
std::vector<VLWSTransactionCommit> commits;

void record(bool isExplicit, bool disablesActions) {
    std::lock_guard lock(logLock);
    if (recording)
        commits.push_back({std::this_thread::get_id(), isExplicit, disablesActions});
}

} // namespace

void VLWSTransaction::begin() {
    openTransactions.emplace_back();
}

void VLWSTransaction::commit() {
    if (openTransactions.empty())
        return;
    const bool disables = disableActions();
    openTransactions.pop_back();
    if (openTransactions.empty())
        record(true, disables);
}

void VLWSTransaction::setDisableActions(bool disable) {
    if (!openTransactions.empty())
        openTransactions.back() = disable;
}

bool VLWSTransaction::disableActions() {
    for (auto it = openTransactions.rbegin(); it != openTransactions.rend(); ++it)
        if (*it)
            return **it;
    return false;
}

void VLWSTransaction::didChange() {
    if (openTransactions.empty())
        record(false, false);
}

void VLWSTransaction::setRecordsCommits(bool records) {
    std::lock_guard lock(logLock);
    recording = records;
}

std::vector<VLWSTransactionCommit> VLWSTransaction::commitLog() {
    std::lock_guard lock(logLock);
    return commits;
}

void VLWSTransaction::clearCommitLog() {
    std::lock_guard lock(logLock);
    commits.clear();
}
