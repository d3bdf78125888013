#include "Platform/Foundation/VLError.h"

#include "Platform/Foundation/VLStringWithFormat.h"

VLError::VLError(std::string domain, int64_t code, VLDictionary userInfo, VLErrorRef underlyingError)
    : _domain(std::move(domain)), _code(code), _userInfo(std::move(userInfo)),
      _underlyingError(std::move(underlyingError)) {}

VLErrorRef VLError::make(std::string domain, int64_t code, VLDictionary userInfo,
                         VLErrorRef underlyingError) {
    return std::make_shared<const VLError>(std::move(domain), code, std::move(userInfo),
                                           std::move(underlyingError));
}

std::string VLError::localizedDescription() const {
    const VLValue& description = _userInfo.get(VLLocalizedDescriptionKey);
    if (description.isString())
        return description.stringValue();
    return VLStringWithFormat("The operation couldn’t be completed. (%@ error %ld.)", _domain, _code);
}

std::string VLError::localizedFailureReason() const {
    return _userInfo.get(VLLocalizedFailureReasonErrorKey).stringValue();
}

bool VLError::operator==(const VLError& other) const {
    bool sameUnderlying =
        _underlyingError == other._underlyingError ||
        (_underlyingError && other._underlyingError && *_underlyingError == *other._underlyingError);
    return _domain == other._domain && _code == other._code && _userInfo == other._userInfo && sameUnderlying;
}
