#include "Core/Engine/Support/VLErrorBuilder.h"

VLErrorBuilder& VLErrorBuilder::setDomain(std::string domain) {
    _domain = std::move(domain);
    return *this;
}

VLErrorBuilder& VLErrorBuilder::setCode(int64_t code) {
    _code = code;
    return *this;
}

VLErrorBuilder& VLErrorBuilder::setExtra(VLValue extra) {
    _extraData = std::move(extra);
    return *this;
}

VLErrorRef VLErrorBuilder::build() const {
    VLDictionary userInfo;
    if (!_message.empty())
        userInfo.set(VLLocalizedDescriptionKey, _message);
    if (!_detail.empty())
        userInfo.set(VLLocalizedFailureReasonErrorKey, _detail);
    if (!_extraData.isNil())
        userInfo.set(VLExtraDataErrorKey, _extraData);
    return VLError::make(_domain.value_or(VLErrorDomain), _code, std::move(userInfo));
}
