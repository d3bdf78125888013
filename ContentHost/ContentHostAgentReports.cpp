// ContentHostAgent: what the host reports without being asked: window changes, the engine's
// notifications and synchronised storage.
#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostReading.h"
#include "ContentHost/ContentRuntimeState.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Storage/VLSyncStorage.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <array>

namespace {

struct ContentHostWindowReport {
    const char* notification;
    std::string_view change;
};

constexpr std::array<ContentHostWindowReport, 6> kContentHostWindowReports{{
    {VLWSWindowDidMoveNotification, "frame"},
    {VLWSWindowDidResizeNotification, "frame"},
    {VLWSWindowDidEndLiveResizeNotification, "liveResizeEnded"},
    {VLWSWindowDidChangeOcclusionStateNotification, "visibility"},
    {VLWSWindowDidChangeScreenNotification, "display"},
    {VLWSWindowWillCloseNotification, "closed"},
}};

struct ContentHostRuntimeReport {
    const char* notification;
    ContentHostOp op;
};

constexpr std::array<ContentHostRuntimeReport, 3> kContentHostRuntimeReports{{
    {VLRuntimeWindowDidEndUserMoveNotification, ContentHostOp::UserMoveEnded},
    {VLRuntimeWidgetWindowDidEndUserResizeNotification, ContentHostOp::WidgetResizeEnded},
    {VLRuntimeGraphicsResetNotification, ContentHostOp::GraphicsReset},
}};

} // namespace

void ContentHostAgent::observeNotifications() {
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    const std::weak_ptr<ContentHostAgent> weak = weak_from_this();
    // The window server posts on the main thread, where the window is alive for the whole post.
    for (const ContentHostWindowReport& report : kContentHostWindowReports) {
        _observers.push_back(center.addObserver(
            report.notification, nullptr, [weak, change = report.change](const VLNotification& notification) {
                auto agent = weak.lock();
                if (agent && notification.object() && VLMainQueue::isCurrent())
                    agent->windowDidChange(*static_cast<const VLWSWindow*>(notification.object()), change);
            }));
    }
    // The object is only compared with the hosted runtimes, never followed, so it may cross threads.
    for (const ContentHostRuntimeReport& report : kContentHostRuntimeReports) {
        _observers.push_back(center.addObserver(
            report.notification, nullptr, [weak, op = report.op](const VLNotification& notification) {
                const bool* guilty = notification.userInfoValue<bool>(VLRuntimeGraphicsResetGuiltyKey);
                if (auto agent = weak.lock()) {
                    agent->onMainQueue([runtime = notification.object(), op,
                                        guilty = guilty && *guilty](ContentHostAgent& self) {
                        self.runtimeDidReport(runtime, op, guilty);
                    });
                }
            }));
    }
    _observers.push_back(center.addObserver(
        VLSyncStorageDidChangeNotification, nullptr, [weak](const VLNotification& notification) {
            const std::string* directory =
                notification.userInfoValue<std::string>(VLSyncStorageDataDirectoryKey);
            auto agent = weak.lock();
            if (!agent || !directory)
                return;
            agent->onMainQueue([directory = *directory](ContentHostAgent& self) {
                self.reportSyncStorage(directory, true, std::nullopt);
            });
        }));
}

void ContentHostAgent::onMainQueue(std::function<void(ContentHostAgent&)> block) {
    if (VLMainQueue::isCurrent()) {
        block(*this);
        return;
    }
    VLMainQueue::async([weak = weak_from_this(), block = std::move(block)] {
        if (auto agent = weak.lock())
            block(*agent);
    });
}

std::shared_ptr<ContentHostAgent::Hosted> ContentHostAgent::hostedRunning(const void* runtime) const {
    for (const auto& [rid, entry] : _hosted) {
        if (runtime && entry->runtime.get() == runtime)
            return entry;
    }
    return nullptr;
}

void ContentHostAgent::windowDidChange(const VLWSWindow& window, std::string_view change) {
    if (change == "closed")
        endMirrorsOfWindow(window);
    const std::shared_ptr<Hosted> entry = hostedRunning(VLRuntime::runtimeOwningWindow(window).get());
    if (!entry)
        return;
    _connection->send({
        {"op", "windows"},
        {"rid", entry->rid},
        {"number", window.windowNumber()},
        {"change", change},
        {"state", ContentRuntimeState::of(*entry->runtime).dictionary()},
    });
}

void ContentHostAgent::runtimeDidReport(const void* runtime, ContentHostOp op, bool guilty) {
    const std::shared_ptr<Hosted> entry = hostedRunning(runtime);
    if (!entry)
        return;
    _connection->send({
        {"op", ContentHostOpName(op)},
        {"rid", entry->rid},
        {"guilty", guilty},
        {"state", ContentRuntimeState::of(*entry->runtime).dictionary()},
    });
}

void ContentHostAgent::applySyncStorage(const VLDictionary& message) {
    const std::string* directory = ContentHostReading::text(message.get("directory"));
    const VLDictionary* changes = ContentHostReading::dictionary(message.get("changes"));
    if (!directory || !changes)
        return;
    VLSyncStorage::storageInDataDirectory(*directory)->applyChanges(*changes);
    reportSyncStorage(*directory, false, ContentHostReading::integer(message.get("number")));
}

void ContentHostAgent::reportSyncStorage(const std::string& directory, bool changed,
                                         std::optional<int64_t> applied) {
    VLDictionary items;
    for (const auto& [key, value] : VLSyncStorage::storageInDataDirectory(directory)->items())
        items.set(key, value);
    VLDictionary report{
        {"op", "syncStorage"}, {"directory", directory}, {"items", std::move(items)}, {"changed", changed}};
    if (applied)
        report.set("applied", *applied);
    _connection->send(std::move(report));
}
