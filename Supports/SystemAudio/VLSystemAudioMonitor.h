#pragma once

#include "Platform/Foundation/VLValue.h"

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

class VLSystemAudioSource;

// The process-wide system-audio monitor. Until capture and analysis exist it keeps what it is handed
// (the host's source, the latest frame that came through a source, the related processes) and gives
// neutral answers to everything else.
//
// Any thread; _lock guards every member.
class VLSystemAudioMonitor {
public:
    // 128 float band powers, then a float level.
    static constexpr size_t frameLength = 516;

    // Made on first use, never destroyed.
    static VLSystemAudioMonitor& sharedInstance();

    std::shared_ptr<VLSystemAudioSource> source() const;
    // Setting no source also forgets the frame.
    void setSource(std::shared_ptr<VLSystemAudioSource> source);
    // Keeps a frame of frameLength bytes while a source is set; anything else is ignored.
    void receiveFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame, bool active,
                      bool seemsDenied);
    void noteReadMayAsk(bool mayAsk);
    // The kept frame, or frameLength zero bytes.
    VLData currentFrame() const;
    static std::optional<VLData> restrictedFrameOfFrame(const VLData& frame);
    bool isActive() const;
    static bool isSupported();
    bool seemsDenied() const;
    void recheckAccess();

    // The processes whose audio capture leaves out.
    std::set<pid_t> relatedProcessIdentifiers() const;
    void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers);

private:
    VLSystemAudioMonitor() = default;

    mutable std::mutex _lock;
    std::shared_ptr<VLSystemAudioSource> _source;
    std::optional<VLData> _frame;
    std::set<pid_t> _relatedProcessIdentifiers;
};
