#include "Platform/Network/VLURLError.h"

VLErrorRef VLMakeURLError(int64_t code, const std::string& description, const std::string& failingURL) {
    return VLError::make(VLURLErrorDomain, code,
                         {{VLLocalizedDescriptionKey, description},
                          {VLURLErrorFailingURLErrorKey, failingURL},
                          {VLURLErrorFailingURLStringErrorKey, failingURL}});
}
