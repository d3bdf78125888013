#include "Tools/velto/VLRunScreenshot.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Image/VLPNGWriter.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tools/velto/VLToolWaiting.h"

VLErrorRef VLRunScreenshot::write(const std::string& path) {
    VLToolWaiting::runMainQueueWhileReady();
    const std::shared_ptr<VLWindowServer> server = VLWindowServer::shared();
    const std::vector<VLWSScreen>& screens = server->snapshot()->screens();
    const std::shared_ptr<VLBitmap> bitmap =
        screens.empty() ? nullptr : VLCompositor::compositeScreen(*server, screens.front());
    if (!bitmap) {
        return VLError::make(VLCocoaErrorDomain, 0,
                             {{VLLocalizedDescriptionKey, "the screen could not be composited"}});
    }
    // The path comes from a person, who may not know that it names a link to something else.
    return VLPNGWriter::writeSource(*bitmap, path, VLSymbolicLinkWriting::Refuse);
}
