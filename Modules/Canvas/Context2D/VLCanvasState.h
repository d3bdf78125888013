#pragma once

#include "Modules/Canvas/Context2D/VLColorRGBA.h"
#include "Platform/Foundation/VLAffineTransform.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VLCanvas2DFillable;
class VLCanvasHeldJSValue;
class VLFontDescriptor;
class VLPath;

// A CSS length of the text spacing settings: a value and its unit's index.
struct VLCanvasLength {
    double value = 0;
    int32_t unit = 0;
};

// The clip of a level: its paths in the order applied. Replaced whole, never changed in place, so two
// levels share a clip exactly when they hold the same array.
using VLCanvasClipPaths = std::shared_ptr<const std::vector<std::shared_ptr<const VLPath>>>;

// One level of a 2D context's drawing state. Copying a record shares its objects, as saving a level
// does. Owned by its context, on the runtime's JavaScript thread.
struct VLCanvasState {
    VLAffineTransform transform;
    int32_t globalCompositeOperation = 0;
    VLColorRGBA fillColor;
    std::shared_ptr<VLCanvas2DFillable> fillObject;
    VLColorRGBA strokeColor;
    std::shared_ptr<VLCanvas2DFillable> strokeObject;
    std::shared_ptr<VLCanvasHeldJSValue> fillStyleValue;
    std::shared_ptr<VLCanvasHeldJSValue> strokeStyleValue;
    float globalAlpha = 0;
    float lineWidth = 0;
    int32_t lineCap = 0;
    int32_t lineJoin = 0;
    float miterLimit = 0;
    int32_t textAlign = 0;
    int32_t textBaseline = 0;
    std::shared_ptr<const VLFontDescriptor> font;
    std::optional<std::string> fontValue;
    uint64_t fontGeneration = 0;
    VLCanvasLength letterSpacing;
    VLCanvasLength wordSpacing;
    VLCanvasClipPaths clipPaths;
    std::vector<double> lineDash;
    float lineDashOffset = 0;
    VLColorRGBA shadowColor;
    float shadowBlur = 0;
    float shadowOffsetX = 0;
    float shadowOffsetY = 0;
};

// The script names of the state's enumerated settings; a stored value is an index into its table.
extern const std::array<std::string_view, 27> VLCompositeOperationEnumNames;
extern const std::array<std::string_view, 3> VLLineCapEnumNames;
extern const std::array<std::string_view, 3> VLLinejoinEnumNames;
extern const std::array<std::string_view, 5> VLTextAlignEnumNames;
extern const std::array<std::string_view, 6> VLTextBaselineEnumNames;
