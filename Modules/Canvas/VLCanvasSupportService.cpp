#include "Modules/Canvas/VLCanvasSupportService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Modules/Canvas/GL/VLEGLDisplay.h"

VL_EXPORT_PART_CLASS(VLCanvasSupportService);

bool VLCanvasSupportService::isCanvasSupported() {
    return VLEGLIsSupported();
}
