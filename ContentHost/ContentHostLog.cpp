#include "ContentHost/ContentHostLog.h"

#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLStringWithFormat.h"

const std::string& ContentHostLogSubsystem() {
    static const std::string subsystem = VLStringWithFormat("%s.mac.content", kVLReverseDomainPrefix);
    return subsystem;
}
