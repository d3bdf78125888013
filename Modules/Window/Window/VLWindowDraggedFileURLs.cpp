#include "Modules/Window/Window/VLWindowDraggedFileURLs.h"

#include "Platform/WindowServer/VLWSDraggingInfo.h"

namespace {

// A script gets no more files than this from one drag, however many were dragged.
constexpr size_t kDraggedFileURLLimit = 256;

} // namespace

std::vector<VLURL> VLWindowDraggedFileURLs(const VLWSDraggingInfo& info) {
    std::vector<VLURL> urls = info.draggingPasteboard().fileURLs();
    if (urls.size() > kDraggedFileURLLimit)
        urls.erase(urls.begin() + kDraggedFileURLLimit, urls.end());
    return urls;
}
