#pragma once

#include "Modules/Window/Window/VLNSWindowCommon.h"
#include "Modules/Window/Window/VLNSWindowFileDropDelegate.h"
#include "Platform/WindowServer/VLWSPanel.h"

#include <memory>

// The engine's panel, for "overlay" windows: it becomes key only while something listens to its keys,
// and it is the destination of file drags, which its file-drop delegate decides.
//
// Main thread only.
class VLNSPanel : public VLNSWindowCommon<VLWSPanel> {
public:
    VLNSPanel(VLRect contentRect, uint64_t styleMask);

    bool canBecomeKeyWindow() const override;

    std::shared_ptr<VLNSWindowFileDropDelegate> fileDropDelegate() const { return _fileDropDelegate.lock(); }
    // Held weakly.
    void setFileDropDelegate(std::weak_ptr<VLNSWindowFileDropDelegate> delegate) {
        _fileDropDelegate = std::move(delegate);
    }

    // Without a delegate: no operation, and no drop.
    uint64_t draggingEntered(const VLWSDraggingInfo& info) override;
    uint64_t draggingUpdated(const VLWSDraggingInfo& info) override;
    void draggingExited(const VLWSDraggingInfo* info) override;
    bool prepareForDragOperation(const VLWSDraggingInfo& info) override;
    bool performDragOperation(const VLWSDraggingInfo& info) override;
    bool wantsPeriodicDraggingUpdates() const { return false; }

private:
    uint64_t tellFileDrag(const char* type, const VLWSDraggingInfo* info);

    std::weak_ptr<VLNSWindowFileDropDelegate> _fileDropDelegate;
};
