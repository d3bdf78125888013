#include "Modules/Canvas/VLCanvasModuleExports.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Modules/Canvas/Context2D/VLCanvasPath2DModule.h"
#include "Modules/Canvas/Element/VLCanvasModule.h"

std::vector<VLPart> VLCanvasModuleExports::exports() {
    return {VLRuntimeModulePart<VLCanvasModule>(), VLRuntimeModulePart<VLCanvasPath2DModule>()};
}

VL_EXPORT_PARTS(VLCanvasModuleExports);
