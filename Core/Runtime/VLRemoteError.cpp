#include "Core/Runtime/VLRemoteError.h"

#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLURLError.h"

VLErrorRef VLMakeRemoteError(const VLURL& url, std::string_view reason) {
    return VLMakeURLError(VLURLErrorCancelled,
                          VLStringWithFormat("Can't reach %@: %@", url.absoluteString(), reason),
                          url.absoluteString());
}
