#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <memory>
#include <string>

class VLError;
// nullptr stands for "no error".
using VLErrorRef = std::shared_ptr<const VLError>;

// User-info keys, with Foundation's values so that hosts reading errors see familiar keys.
inline constexpr const char* VLLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* VLLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
inline constexpr const char* VLExtraDataErrorKey = "VLExtraDataErrorKey";

// Domains of the platform's own failures.
inline constexpr const char* VLPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* VLCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* VLURLErrorDomain = "NSURLErrorDomain";

// A failure: a domain, a signed code and a user-info dictionary, optionally with the error that
// caused it. Immutable once made, so it may be shared between threads.
class VLError {
public:
    VLError(std::string domain, int64_t code, VLDictionary userInfo = {},
            VLErrorRef underlyingError = nullptr);

    static VLErrorRef make(std::string domain, int64_t code, VLDictionary userInfo = {},
                           VLErrorRef underlyingError = nullptr);

    const std::string& domain() const { return _domain; }
    int64_t code() const { return _code; }
    const VLDictionary& userInfo() const { return _userInfo; }
    const VLErrorRef& underlyingError() const { return _underlyingError; }

    // The description under VLLocalizedDescriptionKey, or Foundation's generic text naming the
    // domain and code when there is none.
    std::string localizedDescription() const;
    // The failure reason, or the empty string when there is none.
    std::string localizedFailureReason() const;
    // The entry under VLExtraDataErrorKey, or nil.
    const VLValue& extraData() const { return _userInfo.get(VLExtraDataErrorKey); }

    bool operator==(const VLError& other) const;

private:
    std::string _domain;
    int64_t _code;
    VLDictionary _userInfo;
    VLErrorRef _underlyingError;
};
