#include "Core/Engine/VLLogService.h"

#include "Core/Engine/VLServiceLocator.h"

VL_SERVICE_DECORATOR_CLASS(VLLogServiceContract, VLLogService);
