#include "Modules/Window/Style/VLComponentStyle.h"

#include "Platform/Foundation/VLScanner.h"

#include <limits>

const std::unordered_set<std::string_view>& VLComponentStyleNames() {
    static const auto* names = new std::unordered_set<std::string_view>{
        "position",      "display",         "overflow",   "direction",      "flexDirection", "justifyContent",
        "alignContent",  "alignItems",      "alignSelf",  "flexWrap",       "boxSizing",     "flex",
        "flexGrow",      "flexShrink",      "flexBasis",  "left",           "top",           "right",
        "bottom",        "start",           "end",        "marginLeft",     "marginTop",     "marginRight",
        "marginBottom",  "marginStart",     "marginEnd",  "paddingLeft",    "paddingTop",    "paddingRight",
        "paddingBottom", "paddingStart",    "paddingEnd", "width",          "height",        "minWidth",
        "minHeight",     "maxWidth",        "maxHeight",  "aspectRatio",    "gap",           "rowGap",
        "columnGap",     "backgroundColor", "opacity",    "imageRendering",
    };
    return *names;
}

double VLComponentStyleNumberFromString(std::string_view text) {
    VLScanner scanner(text);
    double value = 0;
    if (scanner.scanDouble(value) && scanner.isAtEnd())
        return value;
    return std::numeric_limits<double>::quiet_NaN();
}
