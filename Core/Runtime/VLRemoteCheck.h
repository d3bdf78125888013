#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLNetworkAddress.h"

#include <functional>
#include <optional>
#include <string>

// Whether a URL may be reached: nothing when it may, else the reason, which error texts put after the
// URL. A check may also judge each address a connection is about to be opened to, by the same rules
// its URL check resolves by, so that a name answering differently the second time cannot lead past it.
// Copyable; its blocks may be called from any thread, and the URL check may block.
class VLRemoteCheck {
public:
    using URLCheck = std::function<std::optional<std::string>(const VLURL& url)>;
    using AddressCheck =
        std::function<std::optional<std::string>(const VLURL& url, const VLNetworkAddress& address)>;

    // Allows everything.
    VLRemoteCheck() = default;
    explicit VLRemoteCheck(URLCheck check, AddressCheck addressCheck = nullptr)
        : _check(std::move(check)), _addressCheck(std::move(addressCheck)) {}

    std::optional<std::string> operator()(const VLURL& url) const {
        return _check ? _check(url) : std::nullopt;
    }
    bool checksAddresses() const { return bool(_addressCheck); }
    std::optional<std::string> checkAddress(const VLURL& url, const VLNetworkAddress& address) const {
        return _addressCheck ? _addressCheck(url, address) : std::nullopt;
    }

private:
    URLCheck _check;
    AddressCheck _addressCheck;
};
