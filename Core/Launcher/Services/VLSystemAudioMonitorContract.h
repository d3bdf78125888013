#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"
#include "Platform/Foundation/VLValue.h"

#include <sys/types.h>

#include <memory>
#include <optional>
#include <set>

class VLSystemAudioSource;

// Posted on the main queue, with no object, each time the monitor starts or stops seeming denied.
inline constexpr char VLManagerSystemAudioAccessDidChangeNotification[] =
    "VLManagerSystemAudioAccessDidChangeNotification";

// The process's system-audio monitor as the engine's facade reaches it. Any thread.
class VLSystemAudioMonitorContract : public VLServiceContract {
public:
    virtual std::shared_ptr<VLSystemAudioSource> source() = 0;
    virtual void setSource(std::shared_ptr<VLSystemAudioSource> source) = 0;
    // A frame is 516 bytes: 128 float band powers, then a float level.
    virtual void receiveFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame, bool active,
                              bool seemsDenied) = 0;
    virtual void noteReadMayAsk(bool mayAsk) = 0;
    virtual VLData currentFrame() = 0;
    virtual std::optional<VLData> restrictedFrameOfFrame(const VLData& frame) = 0;
    virtual bool isActive() = 0;
    virtual bool isSupported() = 0;
    virtual bool seemsDenied() = 0;
    virtual void recheckAccess() = 0;
    virtual void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) = 0;
};
