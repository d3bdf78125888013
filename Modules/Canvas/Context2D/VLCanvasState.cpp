#include "Modules/Canvas/Context2D/VLCanvasState.h"

const std::array<std::string_view, 27> VLCompositeOperationEnumNames = {
    "source-over",
    "lighter",
    "lighten",
    "darker",
    "darken",
    "destination-out",
    "destination-over",
    "source-atop",
    "xor",
    "copy",
    "source-in",
    "destination-in",
    "source-out",
    "destination-atop",
    "multiply",
    "screen",
    "overlay",
    "color-dodge",
    "color-burn",
    "hard-light",
    "soft-light",
    "difference",
    "exclusion",
    "hue",
    "saturation",
    "color",
    "luminosity",
};

const std::array<std::string_view, 3> VLLineCapEnumNames = {"butt", "round", "square"};
const std::array<std::string_view, 3> VLLinejoinEnumNames = {"miter", "bevel", "round"};
const std::array<std::string_view, 5> VLTextAlignEnumNames = {"start", "end", "left", "center", "right"};
const std::array<std::string_view, 6> VLTextBaselineEnumNames = {"alphabetic", "middle", "top",
                                                                 "hanging",    "bottom", "ideographic"};
