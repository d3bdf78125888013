// Composite operations of VLCanvas2DRenderingContext.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

// Colours are premultiplied, so the direct rows are the Porter-Duff operators on premultiplied colour;
// the rows of the operations drawn through a layer composite that layer.
const std::array<VLCompositeOperationFunc, 27> VLCompositeOperationFuncs = {{
    {GL_ONE, GL_ONE_MINUS_SRC_ALPHA},                 // source-over
    {GL_ONE, GL_ONE},                                 // lighter
    {GL_ONE, GL_ZERO},                                // lighten
    {GL_ONE, GL_ZERO},                                // darker
    {GL_ONE, GL_ZERO},                                // darken
    {GL_ZERO, GL_ONE_MINUS_SRC_ALPHA},                // destination-out
    {GL_ONE_MINUS_DST_ALPHA, GL_ONE},                 // destination-over
    {GL_DST_ALPHA, GL_ONE_MINUS_SRC_ALPHA},           // source-atop
    {GL_ONE_MINUS_DST_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, // xor
    {GL_ONE, GL_ZERO},                                // copy
    {GL_DST_ALPHA, GL_ZERO},                          // source-in
    {GL_ZERO, GL_SRC_ALPHA},                          // destination-in
    {GL_ONE_MINUS_DST_ALPHA, GL_ZERO},                // source-out
    {GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA},           // destination-atop
    {GL_ONE, GL_ZERO},                                // multiply
    {GL_ONE, GL_ZERO},                                // screen
    {GL_ONE, GL_ZERO},                                // overlay
    {GL_ONE, GL_ZERO},                                // color-dodge
    {GL_ONE, GL_ZERO},                                // color-burn
    {GL_ONE, GL_ZERO},                                // hard-light
    {GL_ONE, GL_ZERO},                                // soft-light
    {GL_ONE, GL_ZERO},                                // difference
    {GL_ONE, GL_ZERO},                                // exclusion
    {GL_ONE, GL_ZERO},                                // hue
    {GL_ONE, GL_ZERO},                                // saturation
    {GL_ONE, GL_ZERO},                                // color
    {GL_ONE, GL_ZERO},                                // luminosity
}};

void VLCanvas2DRenderingContext::setGlobalCompositeOperation(int32_t operation) {
    flushBuffers();
    const VLCompositeOperationFunc& blend = VLCompositeOperationFuncs[size_t(operation)];
    glBlendFunc(blend.source, blend.destination);
    _state->globalCompositeOperation = operation;
}

void VLCanvas2DRenderingContext::drawComposited(const std::function<void()>& block) {
    // Every operation draws straight onto the canvas with its blend factors until layers exist.
    block();
}
