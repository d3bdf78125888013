#include "Supports/SystemAudio/VLSystemAudioMonitor.h"

VLSystemAudioMonitor& VLSystemAudioMonitor::sharedInstance() {
    static VLSystemAudioMonitor* monitor = new VLSystemAudioMonitor(); // outlives every caller at exit
    return *monitor;
}

std::shared_ptr<VLSystemAudioSource> VLSystemAudioMonitor::source() const {
    std::lock_guard lock(_lock);
    return _source;
}

void VLSystemAudioMonitor::setSource(std::shared_ptr<VLSystemAudioSource> source) {
    std::lock_guard lock(_lock);
    _source = std::move(source);
    if (!_source)
        _frame.reset();
}

void VLSystemAudioMonitor::receiveFrame(const VLData& frame, const std::optional<VLData>&, bool, bool) {
    std::lock_guard lock(_lock);
    if (_source && frame.size() == frameLength)
        _frame = frame;
}

void VLSystemAudioMonitor::noteReadMayAsk(bool) {}

VLData VLSystemAudioMonitor::currentFrame() const {
    std::lock_guard lock(_lock);
    return _frame.value_or(VLData(frameLength, 0));
}

std::optional<VLData> VLSystemAudioMonitor::restrictedFrameOfFrame(const VLData&) {
    return std::nullopt;
}

bool VLSystemAudioMonitor::isActive() const {
    return false;
}

bool VLSystemAudioMonitor::isSupported() {
    return false;
}

bool VLSystemAudioMonitor::seemsDenied() const {
    return false;
}

void VLSystemAudioMonitor::recheckAccess() {}

std::set<pid_t> VLSystemAudioMonitor::relatedProcessIdentifiers() const {
    std::lock_guard lock(_lock);
    return _relatedProcessIdentifiers;
}

void VLSystemAudioMonitor::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    std::lock_guard lock(_lock);
    _relatedProcessIdentifiers = identifiers;
}
