#include "Modules/Window/Layout/VLComponentLayoutStyle.h"

#include "Modules/Window/Layout/VLYGLayout.h"
#include "Modules/Window/Style/VLComponentStyleConvertUtil.h"

#include <cmath>
#include <cstddef>
#include <string_view>

namespace {

// The value whose Yoga name the string is, among the first Count values of the enumeration.
template <typename Enum, size_t Count>
Enum enumeration(const VLDictionary& style, std::string_view key, const char* (*name)(Enum), Enum fallback) {
    const VLValue& value = style.get(key);
    if (!value.isString())
        return fallback;
    for (size_t i = 0; i < Count; ++i) {
        if (value.stringValue() == name(Enum(i)))
            return Enum(i);
    }
    return fallback;
}

double number(const VLDictionary& style, std::string_view key, double fallback) {
    const double value = VLComponentStyleConvertUtil::flexCGFloat(style.get(key));
    return std::isfinite(float(value)) ? value : fallback;
}

YGValue length(const VLDictionary& style, std::string_view key, YGValue fallback) {
    const YGValue value = VLComponentStyleConvertUtil::toYGValue(style.get(key));
    return value.unit == YGUnitUndefined ? fallback : value;
}

constexpr double kUndefinedNumber = NAN;

} // namespace

void VLComponentLayoutStyle::apply(VLYGLayout& layout, const VLDictionary& style) {
    layout.setPosition(
        enumeration<YGPositionType, 3>(style, "position", YGPositionTypeToString, YGPositionTypeRelative));
    layout.setDisplay(enumeration<YGDisplay, 3>(style, "display", YGDisplayToString, YGDisplayFlex));
    layout.setOverflow(enumeration<YGOverflow, 3>(style, "overflow", YGOverflowToString, YGOverflowHidden));
    layout.setDirection(enumeration<YGDirection, 3>(style, "direction", YGDirectionToString, YGDirectionLTR));
    layout.setFlexDirection(
        enumeration<YGFlexDirection, 4>(style, "flexDirection", YGFlexDirectionToString, YGFlexDirectionRow));
    layout.setJustifyContent(
        enumeration<YGJustify, 6>(style, "justifyContent", YGJustifyToString, YGJustifyFlexStart));
    layout.setAlignContent(enumeration<YGAlign, 9>(style, "alignContent", YGAlignToString, YGAlignStretch));
    layout.setAlignItems(enumeration<YGAlign, 9>(style, "alignItems", YGAlignToString, YGAlignStretch));
    layout.setAlignSelf(enumeration<YGAlign, 9>(style, "alignSelf", YGAlignToString, YGAlignAuto));
    layout.setFlexWrap(enumeration<YGWrap, 3>(style, "flexWrap", YGWrapToString, YGWrapNoWrap));
    layout.setBoxSizing(
        enumeration<YGBoxSizing, 2>(style, "boxSizing", YGBoxSizingToString, YGBoxSizingBorderBox));

    layout.setFlex(number(style, "flex", kUndefinedNumber));
    layout.setFlexGrow(number(style, "flexGrow", kUndefinedNumber));
    layout.setFlexShrink(number(style, "flexShrink", 1.0));
    layout.setFlexBasis(length(style, "flexBasis", YGValueAuto));

    layout.setLeft(length(style, "left", YGValueUndefined));
    layout.setTop(length(style, "top", YGValueUndefined));
    layout.setRight(length(style, "right", YGValueUndefined));
    layout.setBottom(length(style, "bottom", YGValueUndefined));
    layout.setStart(length(style, "start", YGValueUndefined));
    layout.setEnd(length(style, "end", YGValueUndefined));

    layout.setMarginLeft(length(style, "marginLeft", YGValueUndefined));
    layout.setMarginTop(length(style, "marginTop", YGValueUndefined));
    layout.setMarginRight(length(style, "marginRight", YGValueUndefined));
    layout.setMarginBottom(length(style, "marginBottom", YGValueUndefined));
    layout.setMarginStart(length(style, "marginStart", YGValueUndefined));
    layout.setMarginEnd(length(style, "marginEnd", YGValueUndefined));

    layout.setPaddingLeft(length(style, "paddingLeft", YGValueUndefined));
    layout.setPaddingTop(length(style, "paddingTop", YGValueUndefined));
    layout.setPaddingRight(length(style, "paddingRight", YGValueUndefined));
    layout.setPaddingBottom(length(style, "paddingBottom", YGValueUndefined));
    layout.setPaddingStart(length(style, "paddingStart", YGValueUndefined));
    layout.setPaddingEnd(length(style, "paddingEnd", YGValueUndefined));

    layout.setWidth(length(style, "width", YGValueAuto));
    layout.setHeight(length(style, "height", YGValueAuto));
    layout.setMinWidth(length(style, "minWidth", YGValueUndefined));
    layout.setMinHeight(length(style, "minHeight", YGValueUndefined));
    layout.setMaxWidth(length(style, "maxWidth", YGValueUndefined));
    layout.setMaxHeight(length(style, "maxHeight", YGValueUndefined));
    layout.setAspectRatio(number(style, "aspectRatio", kUndefinedNumber));

    // Undefined passes on as it comes.
    layout.setGapForGutter(VLComponentStyleConvertUtil::toYGValue(style.get("gap")), YGGutterAll);
    layout.setGapForGutter(VLComponentStyleConvertUtil::toYGValue(style.get("rowGap")), YGGutterRow);
    layout.setGapForGutter(VLComponentStyleConvertUtil::toYGValue(style.get("columnGap")), YGGutterColumn);
}
