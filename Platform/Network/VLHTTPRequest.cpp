#include "Platform/Network/VLHTTPRequest.h"

#include "Platform/Foundation/VLUnicode.h"

void VLHTTPRequest::setHeader(std::string name, std::string value) {
    const std::string wanted = VLASCIILowercaseString(name);
    for (auto& header : headers) {
        if (VLASCIILowercaseString(header.first) == wanted) {
            header = {std::move(name), std::move(value)};
            return;
        }
    }
    headers.emplace_back(std::move(name), std::move(value));
}
