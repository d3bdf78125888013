#pragma once

#include "Modules/Canvas/Context2D/VLCanvas2DPathReplaying.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <string_view>

// The script path methods of the 2D context and of Path2D, in one place: converts and checks the
// arguments of call `callIndex` (moveTo, lineTo, rect, bezierCurveTo, quadraticCurveTo, arcTo, arc,
// ellipse, roundRect, closePath: 0-9) and calls the builder. Too few arguments, or a number that is not
// finite as a float, make the call do nothing; negative radii and a bad radii list throw before the
// builder is called. Returns undefined. JavaScript thread.
JSValueRef VLCanvas2DPathCall(VLCanvas2DPathReplaying& builder, int callIndex, JSContextRef ctx, size_t argc,
                              const JSValueRef argv[], JSValueRef* exception);

// A matrix object { a, b, c, d, e, f } (or m11, m12, m21, m22, m41, m42) into `transform`, which starts
// as the identity: no value, undefined and null give it. A value that is no object, or two names of one
// entry with different numbers, throw with `functionName` in the text and give false.
bool VLJSValueGetMatrix2D(JSContextRef ctx, JSValueRef value, VLAffineTransform* transform,
                          std::string_view functionName, JSValueRef* exception);

// One corner radius: an object's "x" and "y", or any other value's number for both. False when a
// component is not finite as a float; `negative` tells whether a component is below 0.
bool VLJSValueGetCornerRadius(JSContextRef ctx, JSValueRef value, VLVector2* radius, bool* negative);
