#include "Core/Launcher/VLLaunchPayload.h"

#include "Core/Engine/KeyValue/VLKeyValueCoding.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"

#include <cmath>
#include <utility>

namespace {

std::optional<uint64_t> quotaOf(const VLValue& value) {
    if (value.isInteger())
        return value.integerValue() < 0 ? std::nullopt
                                        : std::optional<uint64_t>(uint64_t(value.integerValue()));
    std::optional<double> number = VLKeyValueNumber(value);
    // 2^64 itself does not fit.
    if (!number || *number < 0 || *number >= 18446744073709551616.0 || std::floor(*number) != *number)
        return std::nullopt;
    return uint64_t(*number);
}

// A string, or nothing for nil and null; no answer at all for another type.
std::optional<std::optional<std::string>> stringOf(const VLValue& value) {
    if (value.isString())
        return std::optional<std::string>(value.stringValue());
    if (value.isMissing())
        return std::optional<std::string>();
    return std::nullopt;
}

std::optional<std::optional<std::vector<std::string>>> stringsOf(const VLValue& value) {
    if (value.isMissing())
        return std::optional<std::vector<std::string>>();
    if (!value.isArray())
        return std::nullopt;
    std::vector<std::string> strings;
    for (const VLValue& element : value.arrayValue()) {
        if (!element.isString())
            return std::nullopt;
        strings.push_back(element.stringValue());
    }
    return std::optional<std::vector<std::string>>(std::move(strings));
}

bool isDigestDictionary(const VLValue& value) {
    if (!value.isDictionary())
        return false;
    for (const auto& [path, digest] : value.dictionaryValue()) {
        if (!digest.isData())
            return false;
    }
    return true;
}

using Setter = bool (*)(VLLaunchPayload&, const VLValue&);

template <void (VLLaunchPayload::*set)(bool)>
bool setBool(VLLaunchPayload& payload, const VLValue& value) {
    std::optional<double> number = VLKeyValueNumber(value);
    if (number)
        (payload.*set)(*number != 0);
    return number.has_value();
}

template <typename Number, void (VLLaunchPayload::*set)(Number)>
bool setNumber(VLLaunchPayload& payload, const VLValue& value) {
    std::optional<double> number = VLKeyValueNumber(value);
    if (number)
        (payload.*set)(Number(*number));
    return number.has_value();
}

template <void (VLLaunchPayload::*set)(std::string)>
bool setString(VLLaunchPayload& payload, const VLValue& value) {
    auto string = stringOf(value);
    if (string)
        (payload.*set)(string->value_or(""));
    return string.has_value();
}

template <void (VLLaunchPayload::*set)(std::optional<std::string>)>
bool setOptionalString(VLLaunchPayload& payload, const VLValue& value) {
    auto string = stringOf(value);
    if (string)
        (payload.*set)(*string);
    return string.has_value();
}

bool setOptions(VLLaunchPayload& payload, const VLValue& value) {
    if (value.isDictionary())
        payload.setOptions(value.dictionaryValue());
    else if (value.isMissing())
        payload.setOptions(std::nullopt);
    return value.isDictionary() || value.isMissing();
}

bool setAllowedNetworkHosts(VLLaunchPayload& payload, const VLValue& value) {
    auto hosts = stringsOf(value);
    if (hosts)
        payload.setAllowedNetworkHosts(*hosts);
    return hosts.has_value();
}

bool setDataQuota(VLLaunchPayload& payload, const VLValue& value) {
    std::optional<uint64_t> quota = quotaOf(value);
    if (quota)
        payload.setDataQuota(*quota);
    return quota.has_value();
}

// Never nothing after a bad value: nothing would mean that no file is checked.
bool setPackageDigests(VLLaunchPayload& payload, const VLValue& value) {
    bool accepted = isDigestDictionary(value);
    payload.setPackageDigests(accepted ? value.dictionaryValue() : VLDictionary());
    return accepted;
}

const std::pair<std::string_view, Setter> kSetters[] = {
    {"options", setOptions},
    {"name", setString<&VLLaunchPayload::setName>},
    {"hidesFromWebInspector", setBool<&VLLaunchPayload::setHidesFromWebInspector>},
    {"allowsNetworkAccess", setBool<&VLLaunchPayload::setAllowsNetworkAccess>},
    {"allowsAudio", setBool<&VLLaunchPayload::setAllowsAudio>},
    {"allowsSystemInformation", setBool<&VLLaunchPayload::setAllowsSystemInformation>},
    {"allowsAppFiles", setBool<&VLLaunchPayload::setAllowsAppFiles>},
    {"allowedNetworkHosts", setAllowedNetworkHosts},
    {"allowsKeyboard", setBool<&VLLaunchPayload::setAllowsKeyboard>},
    {"allowsGlobalMouse", setBool<&VLLaunchPayload::setAllowsGlobalMouse>},
    {"allowsKeyActivity", setBool<&VLLaunchPayload::setAllowsKeyActivity>},
    {"asksForInputMonitoring", setBool<&VLLaunchPayload::setAsksForInputMonitoring>},
    {"allowsSystemAudio", setBool<&VLLaunchPayload::setAllowsSystemAudio>},
    {"allowsDetailedSystemAudio", setBool<&VLLaunchPayload::setAllowsDetailedSystemAudio>},
    {"asksForSystemAudio", setBool<&VLLaunchPayload::setAsksForSystemAudio>},
    {"simulatesSystemAudio", setBool<&VLLaunchPayload::setSimulatesSystemAudio>},
    {"allowsWindowPositions", setBool<&VLLaunchPayload::setAllowsWindowPositions>},
    {"allowsFileDrops", setBool<&VLLaunchPayload::setAllowsFileDrops>},
    {"restrictsWindows", setBool<&VLLaunchPayload::setRestrictsWindows>},
    {"dataQuota", setDataQuota},
    {"packageDigests", setPackageDigests},
    {"dataPath", setString<&VLLaunchPayload::setDataPath>},
    {"messagingPackage", setOptionalString<&VLLaunchPayload::setMessagingPackage>},
    {"messagingNamespace", setOptionalString<&VLLaunchPayload::setMessagingNamespace>},
    {"volume", setNumber<float, &VLLaunchPayload::setVolume>},
    {"muted", setBool<&VLLaunchPayload::setMuted>},
    {"mutedByUser", setBool<&VLLaunchPayload::setMutedByUser>},
    {"devicePixelRatio", setNumber<double, &VLLaunchPayload::setDevicePixelRatio>},
};

} // namespace

std::shared_ptr<VLLocalPathLaunchPayload> VLLaunchPayload::launchPaylodWithLocalPath(std::string path) {
    return std::make_shared<VLLocalPathLaunchPayload>(std::move(path));
}

bool VLLaunchPayload::setValueForKey(std::string_view key, const VLValue& value) {
    for (const auto& [name, setter] : kSetters) {
        if (name == key)
            return setter(*this, value);
    }
    return false;
}

bool VLLaunchPayloadAllowsSystemAudio(const VLLaunchPayload& payload, std::string_view engineName) {
    bool denied = payload.allowsNetworkAccess() && !payload.allowsDetailedSystemAudio();
    if (payload.allowsSystemAudio() && denied)
        VLLogDefault("VLLauncher", "%@ may reach the network: it doesn't get system audio", engineName);
    return payload.allowsSystemAudio() && !denied;
}
