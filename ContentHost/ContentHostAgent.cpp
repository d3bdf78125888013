#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostAudioSource.h"
#include "ContentHost/ContentHostBroadcastTransport.h"
#include "ContentHost/ContentHostLog.h"
#include "ContentHost/ContentHostProcessFigures.h"
#include "ContentHost/ContentHostReading.h"
#include "ContentHost/ContentRuntimeState.h"
#include "ContentHost/WindowMirrorRenderer.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <cassert>
#include <set>
#include <string>

std::shared_ptr<ContentHostAgent> ContentHostAgent::create(int socket, std::optional<int> appPort,
                                                           ContentHostConnectionLimits limits) {
    std::shared_ptr<ContentHostAgent> agent(new ContentHostAgent(socket, appPort, limits));
    agent->installHandlers();
    return agent;
}

ContentHostAgent::ContentHostAgent(int socket, std::optional<int> appPort, ContentHostConnectionLimits limits)
    : _connection(ContentHostConnection::create(socket, limits)),
      _broadcastTransport(std::make_shared<ContentHostBroadcastTransport>(_connection)),
      _manager(VLManager::create()), _displays(std::make_shared<ContentHostDisplays>()), _appPort(appPort) {}

ContentHostAgent::~ContentHostAgent() {
    // The sweep's timer is held by its clock, not by the agent.
    if (_mirrorsTimer)
        _mirrorsTimer->invalidate();
}

void ContentHostAgent::installHandlers() {
    VLManager::setSystemAudioSource(std::make_shared<ContentHostAudioSource>(_connection));
    VLManager::setBroadcastTransport(_broadcastTransport);
    VLManager::setDisplayIdentifierProvider(
        [displays = _displays](uint32_t identifier) { return displays->identifierFor(identifier); });
    _connection->setReadQueueHandler(&ContentHostAgent::consumeOnReadQueue);
    _connection->setMessageHandler([weak = weak_from_this()](const VLDictionary& message) {
        if (auto agent = weak.lock())
            agent->dispatch(message);
    });
    _connection->setCloseHandler([weak = weak_from_this()] {
        if (auto agent = weak.lock())
            agent->connectionDidClose();
    });
}

void ContentHostAgent::applicationDidFinishLaunching() {
    assert(VLMainQueue::isCurrent());
    observeNotifications();
    _connection->start();
}

std::shared_ptr<const ContentHostAgent::Hosted> ContentHostAgent::hosted(int64_t rid) const {
    const auto found = _hosted.find(rid);
    return found == _hosted.end() ? nullptr : found->second;
}

bool ContentHostAgent::consumeOnReadQueue(const VLDictionary& message) {
    const std::string* op = ContentHostReading::text(message.get("op"));
    if (!op || *op != ContentHostOpName(ContentHostOp::SystemAudio))
        return false;
    if (const VLData* frame = ContentHostReading::data(message.get("frame"))) {
        const VLData* restricted = ContentHostReading::data(message.get("restricted"));
        VLManager::updateSystemAudioFrame(*frame,
                                          restricted ? std::optional<VLData>(*restricted) : std::nullopt,
                                          ContentHostReading::boolean(message.get("active")).value_or(false),
                                          ContentHostReading::boolean(message.get("denied")).value_or(false));
    }
    return true;
}

void ContentHostAgent::dispatch(const VLDictionary& message) {
    const std::string* name = ContentHostReading::text(message.get("op"));
    const std::optional<ContentHostOp> op = name ? ContentHostOpFromName(*name) : std::nullopt;
    if (!op)
        return;
    switch (*op) {
    case ContentHostOp::Configure:
        return configure(message);
    case ContentHostOp::Status:
        return status(message);
    case ContentHostOp::Broadcast:
        return broadcast(message);
    case ContentHostOp::Heard:
        return heard(message);
    case ContentHostOp::ApplySyncStorage:
        return applySyncStorage(message);
    case ContentHostOp::MirrorEnd:
        return mirrorEnd(message);
    default:
        break;
    }
    const std::optional<int64_t> rid = ContentHostReading::integer(message.get("rid"));
    if (!rid)
        return;
    if (*op == ContentHostOp::Launch)
        return launch(message, *rid);
    const auto found = _hosted.find(*rid);
    if (found == _hosted.end()) {
        // So that the application's pending request completes.
        _connection->reply(message, {});
        return;
    }
    if (!found->second->runtime) {
        ContentHostLogError("%{public}s for a runtime that isn't there yet", *name);
        _connection->reply(message, {});
        return;
    }
    // The entry stays alive while its handler runs, even if the handler removes it.
    const std::shared_ptr<Hosted> entry = found->second;
    dispatchToHosted(*op, message, *entry);
}

void ContentHostAgent::dispatchToHosted(ContentHostOp op, const VLDictionary& message, Hosted& entry) {
    VLRuntime& runtime = *entry.runtime;
    switch (op) {
    case ContentHostOp::Terminate:
        return terminate(entry.rid);
    case ContentHostOp::Set:
        return set(message, runtime);
    case ContentHostOp::Parameters:
        return parameters(message, runtime);
    case ContentHostOp::CallJS:
        return callJS(message, runtime);
    case ContentHostOp::AddHandler:
        return addHandler(message, entry);
    case ContentHostOp::RemoveHandler:
        return removeHandler(message, runtime);
    case ContentHostOp::MoveWindow:
        return moveWindow(message, runtime);
    case ContentHostOp::MoveWidget:
        return moveWidget(message, runtime);
    case ContentHostOp::Performance:
        return performance(message, entry);
    case ContentHostOp::PreviewSize:
        return previewSize(message, entry);
    case ContentHostOp::Hud:
        return hud(message, entry);
    case ContentHostOp::Mirror:
        return mirror(message, entry);
    default:
        ContentHostLogError("Unexpected message from the app: %{public}s", ContentHostOpName(op));
        return;
    }
}

void ContentHostAgent::configure(const VLDictionary& message) {
    if (const auto pids = ContentHostReading::integers(message.get("relatedPids")))
        VLManager::setRelatedProcessIdentifiers(std::set<pid_t>(pids->begin(), pids->end()));
    if (const auto pairs = ContentHostReading::integers(message.get("displays")))
        _displays->replaceWithPairs(*pairs);
}

void ContentHostAgent::status(const VLDictionary& message) {
    if (!message.contains("id"))
        return;
    VLDictionary runtimes;
    for (const auto& [rid, entry] : _hosted) {
        if (!entry->runtime)
            continue;
        const VLRuntime& runtime = *entry->runtime;
        runtimes.set(std::to_string(rid), VLDictionary{
                                              {"busy", runtime.javaScriptBusyDuration()},
                                              {"cpu", runtime.javaScriptCPUTime()},
                                              {"terminated", runtime.isTerminated()},
                                              {"state", ContentRuntimeState::of(runtime).dictionary()},
                                          });
    }
    _connection->reply(message, {
                                    {"runtimes", std::move(runtimes)},
                                    {"process", ContentHostProcessFigures::current().dictionary()},
                                });
}

void ContentHostAgent::broadcast(const VLDictionary& message) {
    const std::string* key = ContentHostReading::text(message.get("key"));
    const VLData* data = ContentHostReading::data(message.get("message"));
    if (key && data)
        VLManager::receiveBroadcastMessage(*data, *key);
}

void ContentHostAgent::heard(const VLDictionary& message) {
    const std::string* key = ContentHostReading::text(message.get("key"));
    const std::optional<bool> on = ContentHostReading::boolean(message.get("on"));
    if (key && on)
        _broadcastTransport->heard(*key, *on);
}

void ContentHostAgent::terminate(int64_t rid) {
    const auto found = _hosted.find(rid);
    if (found == _hosted.end())
        return;
    const std::shared_ptr<Hosted> entry = found->second;
    _hosted.erase(found);
    if (entry->runtime && entry->performanceObserver)
        entry->runtime->removePerformanceObserver(entry->performanceObserver);
    if (entry->runtime)
        _manager->terminateRuntime(entry->runtime);
    if (std::shared_ptr<VLWSWindow> window = entry->previewWindow) {
        endMirrorsOfWindow(*window);
        VLMainQueue::async([window] { window->close(); });
    }
}

void ContentHostAgent::connectionDidClose() {
    // The runtimes end as they would at "terminate", so that their temporary files go with them.
    std::vector<int64_t> rids;
    for (const auto& [rid, entry] : _hosted)
        rids.push_back(rid);
    for (int64_t rid : rids)
        terminate(rid);
    if (_terminationHandler)
        _terminationHandler();
}
