// The drawing state of VLCanvas2DRenderingContext: the stack, the transforms and the setters that read
// script values.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSConsole.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/Context2D/VLColorRGBAJSValue.h"
#include "Modules/Canvas/Context2D/VLPath.h"
#include "Modules/Canvas/Text/VLFontDescriptor.h"
#include "Platform/Foundation/VLCLocale.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

void VLCanvas2DRenderingContext::save() {
    if (_stateIndex == kStateStackSize - 1) {
        std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
        if (bindingContext)
            VLJSConsoleWarn(bindingContext->globalCtx())(
                VLStringWithFormat("max canvas state stack size (%d) reached", kStateStackSize));
        return;
    }
    _stateStack[size_t(_stateIndex + 1)] = *_state;
    ++_stateIndex;
    _state = &_stateStack[size_t(_stateIndex)];
}

void VLCanvas2DRenderingContext::restore() {
    if (_stateIndex == 0)
        return;
    makeContextCurrent();
    const int32_t operation = _state->globalCompositeOperation;
    const VLCanvasClipPaths clipPaths = _state->clipPaths;
    if (clipPaths && clipPaths != _stateStack[size_t(_stateIndex - 1)].clipPaths)
        resetClip();
    // Held script objects do not outlive their level; the rest stays until the slot is saved over.
    _state->fillStyleValue = nullptr;
    _state->strokeStyleValue = nullptr;
    --_stateIndex;
    _state = &_stateStack[size_t(_stateIndex)];
    setTransformOfPaths();
    if (_state->globalCompositeOperation != operation)
        setGlobalCompositeOperation(_state->globalCompositeOperation);
    if (_state->clipPaths && _state->clipPaths != clipPaths)
        rebuildClip();
}

void VLCanvas2DRenderingContext::resetCurrentState() {
    VLCanvasState& state = *_state;
    state.globalAlpha = 1;
    state.globalCompositeOperation = 0;
    state.transform = VLAffineTransform::identity();
    state.lineWidth = 1;
    state.lineCap = 0;
    state.lineJoin = 0;
    state.miterLimit = 10;
    state.textAlign = 0;
    state.textBaseline = 0;
    state.font = VLFontDescriptor::descriptorWithName("Helvetica", 10);
    state.fontValue = std::nullopt;
    state.letterSpacing = {};
    state.wordSpacing = {};
    if (state.clipPaths)
        resetClip();
    const VLColorRGBA opaqueBlack(0, 0, 0, 255);
    state.fillObject = nullptr;
    state.fillStyleValue = nullptr;
    state.fillColor = opaqueBlack;
    state.strokeObject = nullptr;
    state.strokeStyleValue = nullptr;
    state.strokeColor = opaqueBlack;
    state.lineDash.clear();
    state.lineDashOffset = 0;
    state.shadowColor = {};
    state.shadowBlur = 0;
    state.shadowOffsetX = 0;
    state.shadowOffsetY = 0;
    _pathRecording = nullptr;
    if (_path) {
        _path->reset();
        if (_shadowPath)
            _shadowPath->reset();
        _path->setTransform(VLAffineTransform::identity());
        updateShadow();
    }
}

void VLCanvas2DRenderingContext::setTransformOfPaths() {
    _path->setTransform(_state->transform);
    updateShadow();
}

void VLCanvas2DRenderingContext::rotate(float angle) {
    _state->transform = _state->transform.rotatedBy(angle);
    setTransformOfPaths();
}

void VLCanvas2DRenderingContext::translateX(float x, float y) {
    _state->transform = _state->transform.translatedBy(x, y);
    setTransformOfPaths();
}

void VLCanvas2DRenderingContext::scaleX(float x, float y) {
    _state->transform = _state->transform.scaledBy(x, y);
    setTransformOfPaths();
}

void VLCanvas2DRenderingContext::transformM11(float m11, float m12, float m21, float m22, float dx,
                                              float dy) {
    _state->transform = VLAffineTransform(m11, m12, m21, m22, dx, dy).concatenating(_state->transform);
    setTransformOfPaths();
}

void VLCanvas2DRenderingContext::setTransformM11(float m11, float m12, float m21, float m22, float dx,
                                                 float dy) {
    _state->transform = VLAffineTransform(m11, m12, m21, m22, dx, dy);
    setTransformOfPaths();
}

void VLCanvas2DRenderingContext::setPathTransform(const VLAffineTransform& transform) {
    setTransformM11(float(transform.a), float(transform.b), float(transform.c), float(transform.d),
                    float(transform.tx), float(transform.ty));
}

void VLCanvas2DRenderingContext::setGlobalAlpha(float alpha) {
    // NaN has no place in 0...1: the alpha stays as it was.
    if (std::isnan(alpha))
        return;
    _state->globalAlpha = std::clamp(alpha, 0.0f, 1.0f);
}

void VLCanvas2DRenderingContext::setImageSmoothingEnabled(bool enabled) {
    makeContextCurrent();
    setTexture(nullptr);
    _textureFilter = enabled ? GL_LINEAR : GL_NEAREST;
}

void VLCanvas2DRenderingContext::setShadowColorWith(JSContextRef ctx, JSValueRef color) {
    if (VLJSValueGetColorRGBA(ctx, color, &_state->shadowColor))
        updateShadow();
}

void VLCanvas2DRenderingContext::setShadowBlur(float blur) {
    _state->shadowBlur = blur;
    updateShadow();
}

void VLCanvas2DRenderingContext::setShadowOffsetX(float offset) {
    _state->shadowOffsetX = offset;
    updateShadow();
}

void VLCanvas2DRenderingContext::setShadowOffsetY(float offset) {
    _state->shadowOffsetY = offset;
    updateShadow();
}

bool VLCanvas2DRenderingContext::enumIndexOf(JSContextRef ctx, JSValueRef value,
                                             const std::string_view* names, size_t count, int32_t& index) {
    if (!ctx || !value || !JSValueIsString(ctx, value))
        return false;
    char text[64] = {};
    VLJSValueToUTF8String(ctx, value, text, sizeof text);
    for (size_t i = 0; i < count; ++i) {
        if (names[i] == text) {
            index = int32_t(i);
            return true;
        }
    }
    return false;
}

void VLCanvas2DRenderingContext::setGlobalCompositeOperationWith(JSContextRef ctx, JSValueRef op) {
    makeContextCurrent();
    int32_t index = 0;
    if (enumIndexOf(ctx, op, VLCompositeOperationEnumNames.data(), VLCompositeOperationEnumNames.size(),
                    index))
        setGlobalCompositeOperation(index);
}

JSValueRef VLCanvas2DRenderingContext::globalCompositeOperationByJSValue(JSContextRef ctx) const {
    return VLJSValueFromNSString(ctx,
                                 VLCompositeOperationEnumNames[size_t(_state->globalCompositeOperation)]);
}

void VLCanvas2DRenderingContext::setLineCapWith(JSContextRef ctx, JSValueRef lineCap) {
    enumIndexOf(ctx, lineCap, VLLineCapEnumNames.data(), VLLineCapEnumNames.size(), _state->lineCap);
}

JSValueRef VLCanvas2DRenderingContext::lineCapByJSValue(JSContextRef ctx) const {
    return VLJSValueFromNSString(ctx, VLLineCapEnumNames[size_t(_state->lineCap)]);
}

void VLCanvas2DRenderingContext::setLineJoinWith(JSContextRef ctx, JSValueRef lineJoin) {
    enumIndexOf(ctx, lineJoin, VLLinejoinEnumNames.data(), VLLinejoinEnumNames.size(), _state->lineJoin);
}

JSValueRef VLCanvas2DRenderingContext::lineJoinByJSValue(JSContextRef ctx) const {
    return VLJSValueFromNSString(ctx, VLLinejoinEnumNames[size_t(_state->lineJoin)]);
}

void VLCanvas2DRenderingContext::setTextAlignWith(JSContextRef ctx, JSValueRef textAlign) {
    enumIndexOf(ctx, textAlign, VLTextAlignEnumNames.data(), VLTextAlignEnumNames.size(), _state->textAlign);
}

JSValueRef VLCanvas2DRenderingContext::textAlignByJSValue(JSContextRef ctx) const {
    return VLJSValueFromNSString(ctx, VLTextAlignEnumNames[size_t(_state->textAlign)]);
}

void VLCanvas2DRenderingContext::setTextBaseLineWith(JSContextRef ctx, JSValueRef textBaseLine) {
    enumIndexOf(ctx, textBaseLine, VLTextBaselineEnumNames.data(), VLTextBaselineEnumNames.size(),
                _state->textBaseline);
}

JSValueRef VLCanvas2DRenderingContext::textBaseLineByJSValue(JSContextRef ctx) const {
    return VLJSValueFromNSString(ctx, VLTextBaselineEnumNames[size_t(_state->textBaseline)]);
}

namespace {

// One entry of a dash list: a number, or a text that starts with one ("5px" is 5); nothing for
// anything else.
std::optional<double> canvasDashEntry(JSContextRef ctx, JSValueRef value) {
    if (JSValueIsNumber(ctx, value))
        return JSValueToNumber(ctx, value, nullptr);
    if (!JSValueIsString(ctx, value))
        return std::nullopt;
    const std::optional<std::string> text = VLJSValueToNSString(ctx, value);
    if (!text)
        return std::nullopt;
    char* end = nullptr;
    const double number = strtod_l(text->c_str(), &end, VLCLocale());
    if (end == text->c_str())
        return std::nullopt;
    return number;
}

} // namespace

void VLCanvas2DRenderingContext::setLineDashWith(JSContextRef ctx, JSValueRef lineDash) {
    if (!ctx || !lineDash || !JSValueIsArray(ctx, lineDash))
        return;
    JSObjectRef array = JSValueToObject(ctx, lineDash, nullptr);
    const double length = VLJSValueToNumberFast(ctx, VLGetJSObjectProperty(ctx, array, "length"));
    std::vector<double> dashes;
    for (unsigned i = 0; i < length; ++i) {
        const std::optional<double> entry =
            canvasDashEntry(ctx, JSObjectGetPropertyAtIndex(ctx, array, i, nullptr));
        if (!entry || !std::isfinite(*entry) || *entry < 0)
            return;
        dashes.push_back(*entry);
    }
    const size_t count = dashes.size();
    for (size_t i = 0; count % 2 && i < count; ++i)
        dashes.push_back(dashes[i]);
    _state->lineDash = std::move(dashes);
}
