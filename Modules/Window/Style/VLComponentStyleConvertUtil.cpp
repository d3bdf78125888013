#include "Modules/Window/Style/VLComponentStyleConvertUtil.h"

#include "Core/Engine/KeyValue/VLKVObject.h"
#include "Core/Engine/Log/VLSystemLog.h"
#include "Modules/Window/Style/VLColorUtils.h"
#include "Modules/Window/Style/VLComponentStyle.h"
#include "Platform/Foundation/VLNumberFormat.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cmath>
#include <limits>

bool VLComponentStyleConvertUtil::boolValue(const VLValue& value) {
    return VLKVObject(value).boolValue();
}

int32_t VLComponentStyleConvertUtil::intValue(const VLValue& value) {
    return int32_t(VLKVObject(value).integerValue());
}

int64_t VLComponentStyleConvertUtil::integerValue(const VLValue& value) {
    return VLKVObject(value).integerValue();
}

uint64_t VLComponentStyleConvertUtil::unsignedIntegerValue(const VLValue& value) {
    return VLKVObject(value).unsignedIntegerValue();
}

float VLComponentStyleConvertUtil::floatValue(const VLValue& value) {
    return float(doubleValue(value));
}

double VLComponentStyleConvertUtil::doubleValue(const VLValue& value) {
    return VLKVObject(value).doubleValue();
}

std::optional<std::string> VLComponentStyleConvertUtil::stringValue(const VLValue& value) {
    if (value.isString())
        return value.stringValue();
    if (value.isNumber())
        return VLNumberFormat::shortest(value.doubleValue());
    if (!value.isNil())
        VLSystemLogWrite(VLStringWithFormat("Convert Error:%@ can not be converted to string", value));
    return std::nullopt;
}

double VLComponentStyleConvertUtil::flexCGFloat(const VLValue& value) {
    if (value.isNumber())
        return value.doubleValue();
    if (!value.isString())
        return std::numeric_limits<double>::quiet_NaN();
    std::string_view text = value.stringValue();
    if (text.ends_with("px"))
        text.remove_suffix(2);
    return VLComponentStyleNumberFromString(text);
}

YGValue VLComponentStyleConvertUtil::toYGValue(const VLValue& value) {
    if (value.isString() && value.stringValue().ends_with('%')) {
        std::string_view text = value.stringValue();
        text.remove_suffix(1);
        const float percent = float(VLComponentStyleNumberFromString(text));
        return std::isfinite(percent) ? YGValue{percent, YGUnitPercent} : YGValueUndefined;
    }
    const float points = float(flexCGFloat(value));
    return std::isfinite(points) ? YGValue{points, YGUnitPoint} : YGValueUndefined;
}

std::optional<VLColor> VLComponentStyleConvertUtil::colorValue(const VLValue& value) {
    if (value.isNil())
        return std::nullopt;
    if (value.isString())
        return VLColorUtils::colorWithString(value.stringValue());
    if (value.isNumber()) {
        if (!std::isfinite(value.doubleValue()))
            return std::nullopt;
        return VLColorUtils::colorWithNumber(unsignedIntegerValue(value));
    }
    return VLColor::whiteColor();
}

bool VLComponentStyleConvertUtil::checkStringIsRealNum(std::string_view text) {
    return !std::isnan(VLComponentStyleNumberFromString(text));
}
