#include "Core/Engine/Support/VLErrors.h"

VLErrorRef VLMakeErrorWithMessage(std::string domain, int64_t code, std::string message) {
    VLDictionary userInfo;
    userInfo.set(VLLocalizedDescriptionKey, message);
    userInfo.set(VLLocalizedFailureReasonErrorKey, std::move(message));
    return VLError::make(std::move(domain), code, std::move(userInfo));
}
