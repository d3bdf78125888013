#include "Modules/Canvas/VLCanvasModuleExports.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Modules/Canvas/Context2D/VLCanvasPath2DModule.h"

std::vector<VLPart> VLCanvasModuleExports::exports() {
    return {VLRuntimeModulePart<VLCanvasPath2DModule>()};
}

VL_EXPORT_PARTS(VLCanvasModuleExports);
