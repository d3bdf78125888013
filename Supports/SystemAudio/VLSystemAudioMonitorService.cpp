#include "Supports/SystemAudio/VLSystemAudioMonitorService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Supports/SystemAudio/VLSystemAudioMonitor.h"

VL_EXPORT_PART_CLASS(VLSystemAudioMonitorService);

namespace {

VLSystemAudioMonitor& monitor() {
    return *VLSystemAudioMonitor::sharedInstance();
}

} // namespace

std::shared_ptr<VLSystemAudioSource> VLSystemAudioMonitorService::source() {
    return monitor().source();
}

void VLSystemAudioMonitorService::setSource(std::shared_ptr<VLSystemAudioSource> source) {
    monitor().setSource(std::move(source));
}

void VLSystemAudioMonitorService::receiveFrame(const VLData& frame,
                                               const std::optional<VLData>& restrictedFrame, bool active,
                                               bool seemsDenied) {
    monitor().receiveFrame(frame, restrictedFrame, active, seemsDenied);
}

void VLSystemAudioMonitorService::noteReadMayAsk(bool mayAsk) {
    monitor().noteReadMayAsk(mayAsk);
}

VLData VLSystemAudioMonitorService::currentFrame() {
    return monitor().currentFrame();
}

std::optional<VLData> VLSystemAudioMonitorService::restrictedFrameOfFrame(const VLData& frame) {
    return VLSystemAudioMonitor::restrictedFrameOfFrame(frame);
}

bool VLSystemAudioMonitorService::isActive() {
    return monitor().isActive();
}

bool VLSystemAudioMonitorService::isSupported() {
    return VLSystemAudioMonitor::isSupported();
}

bool VLSystemAudioMonitorService::seemsDenied() {
    return monitor().seemsDenied();
}

void VLSystemAudioMonitorService::recheckAccess() {
    monitor().recheckAccess();
}

void VLSystemAudioMonitorService::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    monitor().setRelatedProcessIdentifiers(identifiers);
}
