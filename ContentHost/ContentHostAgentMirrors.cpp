// ContentHostAgent: the window mirror streams that the main application asks for, and their end.
#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostReading.h"
#include "ContentHost/WindowMirrorRenderer.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

constexpr int64_t kContentHostMirrorFramesPerSecond = 30;
constexpr double kContentHostMirrorSweepInterval = 1;
// A stream not asked for again within this many seconds ends.
constexpr double kContentHostMirrorLifetime = 3;

// The runtime's windows in the application's order, then the preview window: the first of that number.
std::shared_ptr<VLWSWindow> contentHostMirroredWindow(const ContentHostAgent::Hosted& entry, int64_t number) {
    for (const std::shared_ptr<VLWSWindow>& window : VLWindowServer::shared()->windows()) {
        if (window->windowNumber() == number &&
            VLRuntime::runtimeOwningWindow(*window).get() == entry.runtime.get())
            return window;
    }
    if (entry.previewWindow && entry.previewWindow->windowNumber() == number)
        return entry.previewWindow;
    return nullptr;
}

} // namespace

void ContentHostAgent::mirror(const VLDictionary& message, const Hosted& entry) {
    const std::optional<int64_t> stream = ContentHostReading::integer(message.get("stream"));
    if (!stream)
        return;
    const VLSize maximumSize{ContentHostReading::number(message.get("width")).value_or(0),
                             ContentHostReading::number(message.get("height")).value_or(0)};
    const int64_t framesPerSecond =
        ContentHostReading::integer(message.get("fps")).value_or(kContentHostMirrorFramesPerSecond);
    if (const auto found = _mirrors.find(*stream); found != _mirrors.end()) {
        found->second->ask(maximumSize, framesPerSecond);
        return;
    }
    const std::optional<int64_t> number = ContentHostReading::integer(message.get("number"));
    if (!_appPort || !number)
        return;
    std::shared_ptr<VLWSWindow> window = contentHostMirroredWindow(entry, *number);
    if (!window)
        return;
    _mirrors.emplace(*stream, WindowMirrorRenderer::create(*stream, std::move(window), _connection,
                                                           ContentHostAppPort(*_appPort), maximumSize,
                                                           framesPerSecond));
    if (!_mirrorsTimer) {
        _mirrorsTimer = VLWindowServer::shared()->clock().scheduleTimer(
            kContentHostMirrorSweepInterval, true, [weak = weak_from_this()](VLWSTimer&) {
                if (auto agent = weak.lock())
                    agent->sweepMirrors();
            });
    }
}

void ContentHostAgent::mirrorEnd(const VLDictionary& message) {
    if (const std::optional<int64_t> stream = ContentHostReading::integer(message.get("stream")))
        endMirrors(
            [stream = *stream](const WindowMirrorRenderer& renderer) { return renderer.stream() == stream; });
}

void ContentHostAgent::endMirrorsOfWindow(const VLWSWindow& window) {
    endMirrors(
        [&window](const WindowMirrorRenderer& renderer) { return renderer.window().get() == &window; });
}

void ContentHostAgent::sweepMirrors() {
    const double now = VLWindowServer::shared()->clock().now();
    endMirrors([now](const WindowMirrorRenderer& renderer) {
        return now - renderer.lastAsked() > kContentHostMirrorLifetime;
    });
}

void ContentHostAgent::endMirrors(const std::function<bool(const WindowMirrorRenderer&)>& matches) {
    std::erase_if(_mirrors, [&](const auto& stream) {
        if (!matches(*stream.second))
            return false;
        stream.second->end();
        return true;
    });
    if (_mirrors.empty() && _mirrorsTimer) {
        _mirrorsTimer->invalidate();
        _mirrorsTimer = nullptr;
    }
}
