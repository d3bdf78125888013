// ContentHostAgent: the "launch" message.
#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostLaunchPayload.h"
#include "ContentHost/ContentHostReading.h"
#include "ContentHost/ContentHostScriptForwarder.h"
#include "ContentHost/ContentHostUserFiles.h"
#include "ContentHost/ContentRuntimeState.h"
#include "Core/Launcher/VLLauncher.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"

namespace {

// Where a preview window lies: far off every screen.
constexpr double kContentHostPreviewOrigin = -30000;
// Transient, stationary and left out of window cycling.
constexpr uint64_t kContentHostPreviewCollectionBehavior = 88;

} // namespace

const std::shared_ptr<VLLauncher>& ContentHostAgent::launcher() {
    if (!_launcher)
        _launcher = VLLauncher::create(_manager);
    return _launcher;
}

void ContentHostAgent::launch(const VLDictionary& message, int64_t rid) {
    std::shared_ptr<VLLocalPathLaunchPayload> payload;
    if (_hosted.contains(rid) || !(payload = ContentHostLaunchPayload::convert(message.get("payload")))) {
        _connection->reply(message, {{"failed", true}});
        return;
    }
    // Hosted from now on, so that messages for the id meet a launch in progress.
    auto entry = std::make_shared<Hosted>();
    entry->rid = rid;
    _hosted[rid] = entry;
    VLUserDefaults::standard().registerDefaults(
        {{"show-develop-menu", ContentHostReading::boolean(message.get("inspectable")).value_or(false)}});
    if (const VLDictionary* preview = ContentHostReading::dictionary(message.get("preview")))
        addPreviewWindow(*preview, *entry, *payload);
    attachForwarders(message, rid, *payload);

    // The engine calls both from its own queue; what they do happens on the main queue, and only while
    // the id still belongs to this launch.
    std::weak_ptr<ContentHostAgent> weak = weak_from_this();
    payload->setRuntimeHandler([weak, entry](const std::shared_ptr<VLRuntime>& runtime) {
        VLMainQueue::async([weak, entry, runtime] {
            auto agent = weak.lock();
            if (!agent || agent->hosted(entry->rid) != entry)
                return;
            entry->runtime = runtime;
            agent->_connection->send({{"op", "started"}, {"rid", entry->rid}});
        });
    });
    launcher()->launchWithPayload(
        payload, [weak, entry, message](const std::shared_ptr<VLRuntime>& runtime, const VLErrorRef& error) {
            std::optional<std::string> description;
            if (error)
                description = error->localizedDescription();
            VLMainQueue::async([weak, entry, message, runtime, description] {
                if (auto agent = weak.lock())
                    agent->launchDidEnd(message, entry, runtime, description);
            });
        });
}

void ContentHostAgent::addPreviewWindow(const VLDictionary& preview, Hosted& entry,
                                        VLLaunchPayload& payload) {
    const std::optional<VLSize> size = ContentHostReading::size(preview.get("size"));
    if (!size)
        return;
    auto window = std::make_shared<VLWSWindow>(
        VLRect({kContentHostPreviewOrigin, kContentHostPreviewOrigin}, *size), VLWSWindowStyleMaskBorderless);
    window->setReleasedWhenClosed(false);
    window->setIgnoresMouseEvents(true);
    window->setHasShadow(false);
    window->setOpaque(false);
    window->setBackgroundColor(VLColor::clearColor());
    window->setCollectionBehavior(kContentHostPreviewCollectionBehavior);
    auto content = std::make_shared<VLWSView>(VLRect({0, 0}, *size));
    content->layer();
    window->setContentView(content);
    window->orderBack();
    entry.previewWindow = window;
    payload.setHostView(content);
    payload.setHostArea(ContentHostReading::rect(preview.get("area")).value_or(VLRectNull));
}

void ContentHostAgent::attachForwarders(const VLDictionary& message, int64_t rid, VLLaunchPayload& payload) {
    if (const auto names = ContentHostReading::texts(message.get("handlers"))) {
        VLLaunchPayload::ScriptMessageHandlers handlers;
        for (const std::string& name : *names)
            handlers[name] = std::make_shared<ContentHostScriptForwarder>(rid, name, _connection);
        payload.setScriptMessageHandlers(std::move(handlers));
    }
    if (ContentHostReading::boolean(message.get("userFiles")).value_or(false))
        payload.setUserFilesProvider(std::make_shared<ContentHostUserFiles>(_connection));
    // The engine reports from its JavaScript thread; the hop keeps the reports in its order.
    if (ContentHostReading::boolean(message.get("console")).value_or(false)) {
        payload.setConsoleHandler(
            [connection = _connection, rid](const std::string& level, const std::string& text) {
                connection->sendFromMainQueue(
                    {{"op", "console"}, {"rid", rid}, {"level", level}, {"message", text}});
            });
    }
    if (ContentHostReading::boolean(message.get("exception")).value_or(false)) {
        payload.setExceptionHandler([connection = _connection, rid](const std::string& text,
                                                                    const std::optional<std::string>& stack) {
            VLDictionary sent{{"op", "exception"}, {"rid", rid}, {"message", text}};
            if (stack)
                sent.set("stack", *stack);
            connection->sendFromMainQueue(std::move(sent));
        });
    }
}

void ContentHostAgent::launchDidEnd(const VLDictionary& message, const std::shared_ptr<Hosted>& entry,
                                    const std::shared_ptr<VLRuntime>& runtime,
                                    const std::optional<std::string>& error) {
    if (hosted(entry->rid) != entry) {
        // Terminated or launched anew meanwhile: nobody waits for this runtime.
        if (runtime)
            _manager->terminateRuntime(runtime);
        return;
    }
    if (runtime) {
        entry->runtime = runtime;
        VLDictionary answer{{"state", ContentRuntimeState::of(*runtime).dictionary()}};
        if (entry->previewWindow)
            answer.set("previewWindow", entry->previewWindow->windowNumber());
        _connection->reply(message, std::move(answer));
        if (const std::string dataPath = runtime->dataPath(); !dataPath.empty())
            reportSyncStorage(dataPath, false, std::nullopt);
        return;
    }
    _hosted.erase(entry->rid);
    if (entry->previewWindow)
        entry->previewWindow->close();
    VLDictionary answer{{"failed", true}};
    if (error)
        answer.set("error", *error);
    _connection->reply(message, std::move(answer));
}
