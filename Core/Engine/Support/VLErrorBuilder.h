#pragma once

#include "Core/Engine/Support/VLErrors.h"

#include <optional>

// Chained construction of an error for hosts:
//   VLErrorBuilder::builder().setDomain(d).setCode(7).setMessage("bad %@", x).build()
// Setters may come in any order; a later call of a setter replaces the earlier value.
// One thread at a time.
class VLErrorBuilder {
public:
    static VLErrorBuilder builder() { return VLErrorBuilder(); }

    VLErrorBuilder& setDomain(std::string domain);
    VLErrorBuilder& setCode(int64_t code);
    template <typename... Arguments>
    VLErrorBuilder& setMessage(std::string_view format, const Arguments&... arguments) {
        _message = VLStringWithFormat(format, arguments...);
        return *this;
    }
    template <typename... Arguments>
    VLErrorBuilder& setDetail(std::string_view format, const Arguments&... arguments) {
        _detail = VLStringWithFormat(format, arguments...);
        return *this;
    }
    VLErrorBuilder& setExtra(VLValue extra);

    // Empty message and detail are left out, as is a nil extra; no domain means VLErrorDomain.
    VLErrorRef build() const;

private:
    std::optional<std::string> _domain;
    int64_t _code = 0;
    std::string _message;
    std::string _detail;
    VLValue _extraData;
};
