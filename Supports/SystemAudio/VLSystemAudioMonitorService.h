#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLSystemAudioMonitorContract.h"

// Serves the engine's system-audio contract with the shared monitor.
class VLSystemAudioMonitorService final : public VLDynamicParts, public VLSystemAudioMonitorContract {
public:
    std::shared_ptr<VLSystemAudioSource> source() override;
    void setSource(std::shared_ptr<VLSystemAudioSource> source) override;
    void receiveFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame, bool active,
                      bool seemsDenied) override;
    void noteReadMayAsk(bool mayAsk) override;
    VLData currentFrame() override;
    std::optional<VLData> restrictedFrameOfFrame(const VLData& frame) override;
    bool isActive() override;
    bool isSupported() override;
    bool seemsDenied() override;
    void recheckAccess() override;
    void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) override;
};
