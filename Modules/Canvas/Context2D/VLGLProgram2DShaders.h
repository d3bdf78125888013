#pragma once

// The texts of the 2D context's shader programs (GLSL ES 1.00): one vertex stage that all of them share,
// and their fragment stages.

// Maps canvas pixels to clip space: "screen" is the target's size (its y negated to draw the first row
// at the top), "offset" the margin around the canvas.
extern const char* const VLCanvas2DVertexShader;

// The vertex colour.
extern const char* const VLCanvas2DFlatFragmentShader;
// The texture, times the vertex colour.
extern const char* const VLCanvas2DTextureFragmentShader;
// The texture's alpha in every channel, times the vertex colour: glyphs and the shadows of images.
extern const char* const VLCanvas2DAlphaTextureFragmentShader;
// The texture repeated (coordinates taken modulo 1), times the vertex colour.
extern const char* const VLCanvas2DPatternFragmentShader;
