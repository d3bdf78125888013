#include "Modules/Canvas/Context2D/VLGLProgram2DShaders.h"

const char* const VLCanvas2DVertexShader = R"(
attribute vec2 pos;
attribute vec2 uv;
attribute vec4 color;
uniform highp vec2 screen;
uniform highp vec2 offset;
varying lowp vec4 vColor;
varying highp vec2 vUv;
varying highp vec2 v_inPos;
void main() {
    vColor = color;
    vUv = uv;
    v_inPos = pos;
    gl_Position = vec4((pos + offset) * vec2(2.0, 2.0) / screen - clamp(screen, -1.0, 1.0), 0.0, 1.0);
}
)";

// Every fragment stage declares what the vertex stage hands on, and the sampler at unit 0.
#define VL_CANVAS_2D_FRAGMENT_HEADER                                                                         \
    "precision highp float;\n"                                                                               \
    "varying lowp vec4 vColor;\n"                                                                            \
    "varying highp vec2 vUv;\n"                                                                              \
    "varying highp vec2 v_inPos;\n"                                                                          \
    "uniform sampler2D texture;\n"

const char* const VLCanvas2DFlatFragmentShader = VL_CANVAS_2D_FRAGMENT_HEADER R"(
void main() {
    gl_FragColor = vColor;
}
)";

const char* const VLCanvas2DTextureFragmentShader = VL_CANVAS_2D_FRAGMENT_HEADER R"(
void main() {
    gl_FragColor = texture2D(texture, vUv) * vColor;
}
)";

const char* const VLCanvas2DAlphaTextureFragmentShader = VL_CANVAS_2D_FRAGMENT_HEADER R"(
void main() {
    gl_FragColor = texture2D(texture, vUv).a * vColor;
}
)";

const char* const VLCanvas2DPatternFragmentShader = VL_CANVAS_2D_FRAGMENT_HEADER R"(
void main() {
    gl_FragColor = texture2D(texture, mod(vUv, 1.0)) * vColor;
}
)";

#undef VL_CANVAS_2D_FRAGMENT_HEADER
