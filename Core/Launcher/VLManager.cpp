#include "Core/Launcher/VLManager.h"

#include "Core/Engine/Parts/VLServiceLocator.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Launcher/Services/VLBroadcastHubContract.h"
#include "Core/Launcher/Services/VLCanvasSupportContract.h"
#include "Core/Launcher/Services/VLInputMonitorContract.h"
#include "Core/Launcher/Services/VLStorageAreaContract.h"
#include "Core/Launcher/Services/VLSystemAudioMonitorContract.h"
#include "Core/Launcher/Services/VLWindowListMonitorContract.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDispatchQueue.h"

#include <algorithm>
#include <mutex>

namespace {

// The module serving the contract; null (and neutral answers) when none is registered.
template <typename Contract>
std::shared_ptr<Contract> service() {
    return VLServiceLocator::sharedInstance().resolve<Contract>();
}

struct DisplayIdentifiers {
    std::mutex lock;
    VLManager::DisplayIdentifierProvider provider;
};

DisplayIdentifiers& displayIdentifiers() {
    static DisplayIdentifiers* identifiers = new DisplayIdentifiers(); // outlives every caller at exit
    return *identifiers;
}

} // namespace

std::shared_ptr<VLManager> VLManager::create() {
    return std::shared_ptr<VLManager>(new VLManager());
}

VLManager::VLManager() : _queue(VLDispatchQueue::create(std::string(kVLReverseDomainPrefix) + ".manager")) {}

VLManager::~VLManager() = default;

void VLManager::onLaunchSuccess(std::shared_ptr<VLRuntime> runtime) {
    _queue->async([weakSelf = weak_from_this(), runtime = std::move(runtime)] {
        if (std::shared_ptr<VLManager> self = weakSelf.lock())
            self->_runningRuntimes.push_back(runtime);
    });
}

void VLManager::terminateRuntime(const std::shared_ptr<VLRuntime>& runtime) {
    _queue->sync([&] { std::erase(_runningRuntimes, runtime); });
    if (runtime)
        runtime->terminate();
}

std::vector<std::shared_ptr<VLRuntime>> VLManager::runingRuntimes() {
    std::vector<std::shared_ptr<VLRuntime>> runtimes;
    _queue->sync([&] { runtimes = _runningRuntimes; });
    return runtimes;
}

VLManager::DisplayIdentifierProvider VLManager::displayIdentifierProvider() {
    DisplayIdentifiers& identifiers = displayIdentifiers();
    std::lock_guard lock(identifiers.lock);
    return identifiers.provider;
}

void VLManager::setDisplayIdentifierProvider(DisplayIdentifierProvider provider) {
    DisplayIdentifiers& identifiers = displayIdentifiers();
    std::lock_guard lock(identifiers.lock);
    identifiers.provider = std::move(provider);
}

std::set<pid_t> VLManager::relatedProcessIdentifiers() {
    const auto windowList = service<VLWindowListMonitorContract>();
    return windowList ? windowList->relatedProcessIdentifiers() : std::set<pid_t>();
}

void VLManager::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    if (const auto windowList = service<VLWindowListMonitorContract>())
        windowList->setRelatedProcessIdentifiers(identifiers);
    if (const auto systemAudio = service<VLSystemAudioMonitorContract>())
        systemAudio->setRelatedProcessIdentifiers(identifiers);
}

std::shared_ptr<VLSystemAudioSource> VLManager::systemAudioSource() {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio ? systemAudio->source() : nullptr;
}

void VLManager::setSystemAudioSource(std::shared_ptr<VLSystemAudioSource> source) {
    if (const auto systemAudio = service<VLSystemAudioMonitorContract>())
        systemAudio->setSource(std::move(source));
}

void VLManager::updateSystemAudioFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame,
                                       bool active, bool seemsDenied) {
    if (const auto systemAudio = service<VLSystemAudioMonitorContract>())
        systemAudio->receiveFrame(frame, restrictedFrame, active, seemsDenied);
}

void VLManager::noteSystemAudioWantedMayAsk(bool mayAsk) {
    if (const auto systemAudio = service<VLSystemAudioMonitorContract>())
        systemAudio->noteReadMayAsk(mayAsk);
}

VLData VLManager::currentSystemAudioFrame() {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio ? systemAudio->currentFrame() : VLData();
}

std::optional<VLData> VLManager::restrictedSystemAudioFrame(const VLData& frame) {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio ? systemAudio->restrictedFrameOfFrame(frame) : std::nullopt;
}

bool VLManager::systemAudioActive() {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio && systemAudio->isActive();
}

bool VLManager::isSystemAudioSupported() {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio && systemAudio->isSupported();
}

bool VLManager::systemAudioSeemsDenied() {
    const auto systemAudio = service<VLSystemAudioMonitorContract>();
    return systemAudio && systemAudio->seemsDenied();
}

void VLManager::recheckSystemAudioAccess() {
    if (const auto systemAudio = service<VLSystemAudioMonitorContract>())
        systemAudio->recheckAccess();
}

std::shared_ptr<VLBroadcastTransport> VLManager::broadcastTransport() {
    const auto hub = service<VLBroadcastHubContract>();
    return hub ? hub->transport() : nullptr;
}

void VLManager::setBroadcastTransport(std::shared_ptr<VLBroadcastTransport> transport) {
    if (const auto hub = service<VLBroadcastHubContract>())
        hub->setTransport(std::move(transport));
}

void VLManager::receiveBroadcastMessage(const VLData& data, const std::string& key) {
    if (const auto hub = service<VLBroadcastHubContract>())
        hub->receiveTransportedMessage(data, key);
}

bool VLManager::isCanvasSupported() {
    const auto canvas = service<VLCanvasSupportContract>();
    return canvas && canvas->isCanvasSupported();
}

bool VLManager::hasInputMonitoring() {
    const auto input = service<VLInputMonitorContract>();
    return input && input->hasKeyAccess();
}

bool VLManager::canPromptForInputMonitoring() {
    const auto input = service<VLInputMonitorContract>();
    return input && input->canPromptForKeyAccess();
}

void VLManager::askForInputMonitoring() {
    if (const auto input = service<VLInputMonitorContract>())
        input->askForKeyAccess();
}

void VLManager::flushStorage() {
    if (const auto storage = service<VLStorageAreaContract>())
        storage->flush();
}
