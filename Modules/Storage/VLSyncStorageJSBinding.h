#pragma once

#include "Modules/Storage/VLStorageAreaObserver.h"
#include "Modules/Storage/VLStorageJSBinding.h"

#include <memory>
#include <string>
#include <vector>

// The script class "SyncStorage": "LocalStorage" over the runtime's synchronised area, and a "change"
// event (onchange, offchange()) for each change that the content host applied to that area, with "key",
// "oldValue" and "newValue" (null for a key that was new or removed). Changes that scripts make, here
// or in another runtime of the same file, fire nothing.
//
// JavaScript thread; the area tells of applied changes on the host's main thread, and they are handed
// over to the JavaScript thread holding the binding weakly.
class VLSyncStorageJSBinding final : public VLJSBinding<VLSyncStorageJSBinding, VLStorageJSBinding>,
                                     public VLStorageAreaObserver {
public:
    static std::string bindingClassName() { return "SyncStorage"; }

    void willCollectGarbage() override;

    void storageArea(const std::shared_ptr<VLStorageArea>& area,
                     const std::vector<VLStorageAreaChange>& changes) override;

    static void describe(VLJSClassBuilder<VLSyncStorageJSBinding>& b) { b.eventHandlerWithOff<"change">(); }

protected:
    void setArea(std::shared_ptr<VLStorageArea> area) override;
    bool syncs() const override { return true; }

private:
    void fireChanges(const std::shared_ptr<VLStorageArea>& area,
                     const std::vector<VLStorageAreaChange>& changes);
};
