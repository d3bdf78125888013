#pragma once

#include <thread>
#include <vector>

// One commit of layer changes, as the log for tests records it.
struct VLWSTransactionCommit {
    std::thread::id thread;
    // Opened with begin(); false for a change made outside any transaction.
    bool isExplicit = false;
    bool disablesActions = false;

    friend bool operator==(const VLWSTransactionCommit&, const VLWSTransactionCommit&) = default;
};

// Groups layer changes. Transactions nest per thread and commit once, at the outermost commit; a layer
// change made on a thread with no open transaction commits at once, as an implicit transaction of its
// own. Changes reach the layers as they are made, so a commit only closes the group: the compositor
// always draws the values of the moment.
//
// Each thread has its own transactions; the commit log is shared and guarded.
class VLWSTransaction final {
public:
    VLWSTransaction() = delete;

    static void begin();
    // An unbalanced commit is ignored.
    static void commit();
    // Of the innermost open transaction; inner transactions see what outer ones set. Outside any
    // transaction it has nothing to apply to and does nothing.
    static void setDisableActions(bool disable);
    static bool disableActions();

    // Called by layers after each change.
    static void didChange();

    // The commit log, kept only while recording, so that nothing grows unless a test asks.
    static void setRecordsCommits(bool records);
    static std::vector<VLWSTransactionCommit> commitLog();
    static void clearCommitLog();
};
