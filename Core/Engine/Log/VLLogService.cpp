#include "Core/Engine/Log/VLLogService.h"

#include "Core/Engine/Parts/VLServiceLocator.h"

VL_SERVICE_DECORATOR_CLASS(VLLogServiceContract, VLLogService);
