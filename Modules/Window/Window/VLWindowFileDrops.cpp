#include "Modules/Window/Window/VLWindowFileDrops.h"

#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Window/VLNSPanel.h"
#include "Modules/Window/Window/VLNSWindowCommon.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Modules/Window/Window/VLWindowDraggedFileInfo.h"
#include "Modules/Window/Window/VLWindowDraggedFileURLs.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <utility>

namespace {

// The entries of the files, each with the token of the same index when there is one.
VLArray fileDragEntries(const std::vector<VLURL>& urls, const std::vector<std::string>& tokens = {}) {
    VLArray entries;
    entries.reserve(urls.size());
    for (size_t index = 0; index < urls.size(); ++index) {
        VLDictionary entry = VLWindowDraggedFileInfo(urls[index]);
        if (index < tokens.size())
            entry.set("token", tokens[index]);
        entries.emplace_back(std::move(entry));
    }
    return entries;
}

VLDictionary fileDragPayload(VLPoint point, VLArray files) {
    return {{"x", point.x}, {"y", point.y}, {"files", std::move(files)}};
}

// What the drag's source allows, the generic operation first.
uint64_t fileDragOperation(uint64_t sourceMask) {
    for (uint64_t operation : {VLWSDragOperationGeneric, VLWSDragOperationMove, VLWSDragOperationCopy})
        if (sourceMask & operation)
            return operation;
    return VLWSDragOperationNone;
}

} // namespace

bool VLWindowFileDrops::isDragEvent(const std::string& name) {
    return name == "dragenter" || name == "dragover" || name == "dragleave" || name == "drop";
}

void VLWindowFileDrops::update() {
    auto* panel = dynamic_cast<VLNSPanel*>(_owner._window.get());
    if (!panel)
        return;
    const std::vector<std::string> events = _owner.events();
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    const bool accept =
        std::any_of(events.begin(), events.end(), isDragEvent) && runtime && runtime->allowsFileDrops();
    if (accept == _accepts)
        return;
    _accepts = accept;
    if (!accept) {
        stopAccepting();
        return;
    }
    panel->setFileDropDelegate(std::weak_ptr<VLNSWindowFileDropDelegate>(_owner.self()));
    panel->registerForDraggedTypes({VLWSPasteboardTypeFileURL});
}

void VLWindowFileDrops::stopAccepting() {
    if (auto* panel = dynamic_cast<VLNSPanel*>(_owner._window.get())) {
        panel->setFileDropDelegate({});
        panel->unregisterDraggedTypes();
    }
    _inside = false;
    _files.reset();
}

void VLWindowFileDrops::leave() {
    if (std::exchange(_inside, false))
        _owner._fireEvent("dragleave", {});
}

uint64_t VLWindowFileDrops::dragWithType(VLWSWindow& window, const std::string& type,
                                         const VLWSDraggingInfo* info) {
    if (!_accepts)
        return VLWSDragOperationNone;
    if (type == "dragleave") {
        leave();
        _files.reset();
        return VLWSDragOperationNone;
    }
    if (!info)
        return VLWSDragOperationNone;
    const VLPoint point = VLNSWindowLocationInContentView(window, info->draggingLocation());
    const std::optional<VLWindowRegion>& region = _owner.mainHitRegion();
    const bool outside = region && !VLWindowRegionContainsPoint(*region, point);
    // A drag that never left keeps no files into the next one, which starts from outside.
    if (_files && info->draggingSequenceNumber() != _sequence) {
        _inside = false;
        _files.reset();
    }
    _sequence = info->draggingSequenceNumber();
    if (!_files)
        _files = fileDragEntries(VLWindowDraggedFileURLs(*info));
    if (_files->empty())
        return VLWSDragOperationNone;
    if (outside) {
        leave();
        return VLWSDragOperationNone;
    }
    if (type != "drop") {
        const bool wasInside = std::exchange(_inside, true);
        if (!wasInside || point != _point) {
            _point = point;
            _owner._fireEvent(wasInside ? "dragover" : "dragenter", fileDragPayload(point, *_files));
        }
        return fileDragOperation(info->draggingSourceOperationMask());
    }
    const std::vector<VLURL> urls = VLWindowDraggedFileURLs(*info);
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    VLArray files =
        fileDragEntries(urls, runtime ? runtime->registerDroppedFileURLs(urls) : std::vector<std::string>());
    _inside = false;
    _files.reset();
    _owner._fireEvent("drop", fileDragPayload(point, std::move(files)));
    return VLWSDragOperationGeneric;
}
