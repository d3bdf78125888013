#pragma once

#include <memory>

// How queued view changes reach the screen together: the changes run between begin() and commit(), with
// implicit animations off. By default these open and commit a window-server transaction
// (VLWSTransaction). Process-wide and replaceable; used on the main thread.
class VLScreenUpdateTransaction {
public:
    virtual ~VLScreenUpdateTransaction() = default;

    virtual void begin();
    virtual void setDisableActions(bool disable);
    virtual void commit();

    // The process's transaction.
    static std::shared_ptr<VLScreenUpdateTransaction> shared();
    // nullptr brings back the default.
    static void setShared(std::shared_ptr<VLScreenUpdateTransaction> transaction);
};
