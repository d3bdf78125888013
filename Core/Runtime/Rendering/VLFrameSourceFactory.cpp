#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"

#include "Core/Runtime/Rendering/VLTimerFrameSource.h"
#include "Platform/WindowServer/VLDisplayProvider.h"

#include "Platform/Foundation/VLReplaceable.h"

namespace {

class VLTimerFrameSourceFactory final : public VLFrameSourceFactory {
public:
    std::shared_ptr<VLFrameSource> makeFrameSource(uint32_t displayID,
                                                   VLFrameSource::Handler handler) override {
        return VLTimerFrameSource::create(displayID, std::move(handler), VLDisplayProvider::shared());
    }
};

VLReplaceable<VLFrameSourceFactory> sharedFactory;

} // namespace

std::shared_ptr<VLFrameSourceFactory> VLFrameSourceFactory::shared() {
    return sharedFactory.get(VLReplaceableDefault<VLFrameSourceFactory, VLTimerFrameSourceFactory>());
}

void VLFrameSourceFactory::setShared(std::shared_ptr<VLFrameSourceFactory> factory) {
    sharedFactory.set(std::move(factory));
}
