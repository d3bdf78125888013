#pragma once

#include "Modules/Canvas/Context2D/VLCanvas2DPathBuilding.h"
#include "Modules/Canvas/Context2D/VLCanvasState.h"
#include "Modules/Canvas/VLCanvasRenderingContext.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/Graphics/VLGLFunctions.h"

#include <JavaScriptCore/JavaScript.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class VLCanvas2DFillable;
class VLCanvasImageData;
class VLCanvasPath2D;
class VLGLFrameBufferObject;
class VLGLProgram2D;
class VLGLTexture;
class VLPath;

// One vertex of the 2D batch, as the programs read it: a position in canvas pixels (already
// transformed), a texture coordinate and a premultiplied colour (red in the low byte).
struct VLCanvas2DVertex {
    float x;
    float y;
    float u;
    float v;
    uint32_t color;
};
static_assert(sizeof(VLCanvas2DVertex) == 20);

// Source and destination blend factors of each composite operation, by its index.
struct VLCompositeOperationFunc {
    GLenum source;
    GLenum destination;
};
extern const std::array<VLCompositeOperationFunc, 27> VLCompositeOperationFuncs;

// The engine of a canvas's "2d" context: everything drawn becomes triangles appended to one client-side
// batch, drawn with one of the small programs whenever what the triangles depend on (program, texture,
// blend function, target) changes or the batch is full. Its drawing state is a stack of 16 records.
// The on-screen kind ties the view renderbuffer to what it presents; this class gives it no storage.
// It is also the builder that recorded paths replay into.
//
// Made with std::make_shared on the runtime's JavaScript thread, where every call runs with its EGL
// context current (makeContextCurrent); freed on any thread, its GL objects deleted in its context.
class VLCanvas2DRenderingContext : public VLCanvasRenderingContext, public VLCanvas2DPathBuilding {
public:
    static constexpr int32_t kVertexBufferBytes = 32768;
    static constexpr int32_t kStateStackSize = 16;

    // No GL object yet: create() makes them, once multisampling and opacity are set.
    VLCanvas2DRenderingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width,
                               int16_t height);
    ~VLCanvas2DRenderingContext() override;

    void create() override;
    // Clears the canvas to transparent black and drops the depth-and-stencil buffer and every auxiliary
    // framebuffer; the drawing state stays.
    void resizeToWidth(int16_t width, int16_t height) override;
    // Resize when the side changes; nothing otherwise.
    void setWidth(int16_t width) override;
    void setHeight(int16_t height) override;
    void resetFramebuffer();
    // The combined depth-and-stencil buffer of the current target, made the first time a path needs it;
    // cleared, with the depth test on.
    void createStencilBufferOnce();
    void bindVertexBuffer();
    // Binds the target and forgets the program and texture bound, so the next ones bind again.
    void prepare() override;
    void setProgram(const std::shared_ptr<VLGLProgram2D>& program);
    void setTexture(const std::shared_ptr<VLGLTexture>& texture);
    // Draws the batch (or, while hit testing, tests the point against its triangles) and empties it.
    void flushBuffers();

    // Pushes: the points are mapped by the transform (in double precision, kept as floats); a push that
    // would not fit draws the batch first, so no primitive is split.
    void pushTriX1(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t color,
                   const VLAffineTransform& transform);
    void pushQuadV1(const std::array<float, 2>& v1, const std::array<float, 2>& v2,
                    const std::array<float, 2>& v3, const std::array<float, 2>& v4, uint32_t color,
                    const VLAffineTransform& transform);
    void pushRectX(float x, float y, float w, float h, uint32_t color, const VLAffineTransform& transform);
    void pushTexturedRectX(float x, float y, float w, float h, float tx, float ty, float tw, float th,
                           uint32_t color, const VLAffineTransform& transform);
    // A rectangle in a gradient or a pattern; anything else draws nothing.
    void pushFilledRectX(float x, float y, float w, float h,
                         const std::shared_ptr<VLCanvas2DFillable>& fillable, uint32_t color,
                         const VLAffineTransform& transform);

    // The packed colour of a solid draw of the colour under the current global alpha, premultiplied.
    uint32_t vertexColor(VLColorRGBA color) const;
    // The packed colour of an image or pattern draw: the global alpha in every byte.
    uint32_t textureVertexColor() const;

    // The programs, each made at first use and kept.
    const std::shared_ptr<VLGLProgram2D>& programFlat();
    const std::shared_ptr<VLGLProgram2D>& programTexture();
    const std::shared_ptr<VLGLProgram2D>& programAlphaTexture();
    const std::shared_ptr<VLGLProgram2D>& programPattern();

    // State and transforms.
    VLCanvasState* state() { return _state; }
    int32_t stateIndex() const { return _stateIndex; }
    void save();
    void restore();
    void resetCurrentState();
    void rotate(float angle);
    void translateX(float x, float y);
    void scaleX(float x, float y);
    void transformM11(float m11, float m12, float m21, float m22, float dx, float dy);
    void setTransformM11(float m11, float m12, float m21, float m22, float dx, float dy);
    VLAffineTransform pathTransform() const override { return _state->transform; }
    void setPathTransform(const VLAffineTransform& transform) override;
    void setGlobalAlpha(float alpha);
    bool imageSmoothingEnabled() const { return _textureFilter == GL_LINEAR; }
    void setImageSmoothingEnabled(bool enabled);
    void setShadowColorWith(JSContextRef ctx, JSValueRef color);
    void setShadowBlur(float blur);
    void setShadowOffsetX(float offset);
    void setShadowOffsetY(float offset);
    // Keeps the shadow's path in step with the state; shadows do not draw yet.
    void updateShadow() {}
    // Name setters and getters of the enumerated settings: a script string matching a name exactly;
    // anything else changes nothing.
    void setGlobalCompositeOperationWith(JSContextRef ctx, JSValueRef op);
    JSValueRef globalCompositeOperationByJSValue(JSContextRef ctx) const;
    void setLineCapWith(JSContextRef ctx, JSValueRef lineCap);
    JSValueRef lineCapByJSValue(JSContextRef ctx) const;
    void setLineJoinWith(JSContextRef ctx, JSValueRef lineJoin);
    JSValueRef lineJoinByJSValue(JSContextRef ctx) const;
    void setTextAlignWith(JSContextRef ctx, JSValueRef textAlign);
    JSValueRef textAlignByJSValue(JSContextRef ctx) const;
    void setTextBaseLineWith(JSContextRef ctx, JSValueRef textBaseLine);
    JSValueRef textBaseLineByJSValue(JSContextRef ctx) const;
    // An array of non-negative finite numbers (or texts that start with one); odd lists are doubled.
    void setLineDashWith(JSContextRef ctx, JSValueRef lineDash);

    // Compositing.
    int32_t globalCompositeOperation() const { return _state->globalCompositeOperation; }
    // Draws the batch, then blends with the operation's factors from now on.
    void setGlobalCompositeOperation(int32_t operation);
    // Runs a drawing under the current composite operation.
    void drawComposited(const std::function<void()>& block);

    // Drawing.
    void fillRectX(float x, float y, float w, float h);
    // Makes the rectangle transparent under the transform and the clip, with no shadow and whatever the
    // composite operation.
    void clearRectX(float x, float y, float w, float h);
    void resetClip();
    // Shadows do not draw yet.
    bool shouldDrawShadow() const { return false; }
    // Strokes the rectangle as a closed path of its own; the current path stays.
    void strokeRectX(float x, float y, float w, float h);
    // The source rectangle in texture pixels, unclipped, into the destination in canvas units.
    void drawImage(const std::shared_ptr<VLGLTexture>& texture, float sx, float sy, float sw, float sh,
                   float dx, float dy, float dw, float dh);

    // The current path. Every command but beginPath goes to the hit tests' recording first (once one
    // is kept), then to the path and the shadow's path.
    void beginPath();
    void closePath() override;
    void moveToX(float x, float y) override;
    void lineToX(float x, float y) override;
    // A closed rectangle, then a move back to its first corner.
    void rectX(float x, float y, float w, float h) override;
    void bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y) override;
    void quadraticCurveToCpx(float cpx, float cpy, float x, float y) override;
    void arcToX1(float x1, float y1, float x2, float y2, float radius) override;
    void arcX(float x, float y, float radius, float startAngle, float endAngle, bool antiClockwise) override;
    void ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                  float endAngle, bool antiClockwise) override;
    void roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) override;

    // Filling, stroking and clipping with the current path, or with a recorded one (nullptr for the
    // current path), which leaves the current path alone. The fill rule is the script's value.
    void fill(JSContextRef ctx, JSValueRef fillRule, const VLCanvasPath2D* path = nullptr);
    void stroke() { strokePath(nullptr); }
    void strokePath(const VLCanvasPath2D* path);
    // The clip becomes its intersection with the path.
    void clip(JSContextRef ctx, JSValueRef fillRule, const VLCanvasPath2D* path = nullptr);
    // Hit tests in canvas pixels; they draw nothing and leave the state as it was.
    bool isPointInPath(const VLCanvasPath2D* path, double x, double y, JSValueRef fillRule, JSContextRef ctx);
    bool isPointInStroke(const VLCanvasPath2D* path, double x, double y);

    // The drawing buffer's pixels in the rectangle, premultiplied, rows top to bottom, after pending
    // drawing; what lies outside the buffer reads as transparent black.
    std::shared_ptr<VLCanvasImageData> imageDataWithSx(int32_t sx, int32_t sy, int32_t sw, int32_t sh);

    // Hit testing: while on, a flush tests the point against its triangles instead of drawing.
    bool hitTesting() const { return _hitTesting; }
    void setHitTesting(bool hitTesting) { _hitTesting = hitTesting; }
    void setHitPoint(float x, float y) { _hitPoint = {x, y}; }
    bool hitFound() const { return _hitFound; }
    void setHitFound(bool found) { _hitFound = found; }

    int16_t bufferWidth() const { return _bufferWidth; }
    int16_t bufferHeight() const { return _bufferHeight; }
    GLuint viewFrameBuffer() const { return _viewFrameBuffer; }
    GLuint viewRenderBuffer() const { return _viewRenderBuffer; }
    GLuint msaaFrameBuffer() const { return _msaaFrameBuffer; }
    GLuint stencilBuffer() const { return _stencilBuffer; }
    uint8_t stencilMask() const { return _stencilMask; }
    void setStencilMask(uint8_t mask) { _stencilMask = mask; }
    GLenum textureFilter() const { return _textureFilter; }
    const std::shared_ptr<VLGLTexture>& currentTexture() const { return _currentTexture; }
    const std::shared_ptr<VLGLProgram2D>& currentProgram() const { return _currentProgram; }
    VLPath& path() { return *_path; }
    int32_t vertexBufferSize() const { return _vertexBufferSize; }
    int32_t vertexBufferIndex() const { return _vertexBufferIndex; }
    bool upsideDown() const { return _upsideDown; }
    void setUpsideDown(bool upsideDown) { _upsideDown = upsideDown; }
    uint64_t contentVersion() const { return _contentVersion; }

protected:
    // For kinds that size the buffers themselves before resetFramebuffer().
    void storeSizeWidth(int16_t width, int16_t height);

private:
    void pushVertex(float x, float y, float u, float v, uint32_t color, const VLAffineTransform& transform);
    // The batch's bounds, without non-finite positions, into the layer's or the shadow's bounds.
    void uniteBatchBounds();
    void hitTestBatch();
    const std::shared_ptr<VLGLProgram2D>& program(std::shared_ptr<VLGLProgram2D>& slot,
                                                  const char* fragmentShader);
    // Stores the index of the first name that the value matches exactly.
    static bool enumIndexOf(JSContextRef ctx, JSValueRef value, const std::string_view* names, size_t count,
                            int32_t& index);
    void setTransformOfPaths();
    // Draws the state's clip paths into the depth buffer again, from no clip.
    void rebuildClip();
    // Runs a drawing under the composite operation; it learns whether it draws the shadow's pass.
    void drawShape(const std::function<void(bool shadowPass)>& draw);
    // Runs the block with the recorded path (replayed with that precision) as the current path, or with
    // the current path when there is none; the current path and its transform stay.
    void withPath(const VLCanvasPath2D* path, bool precise, const std::function<void()>& block);
    // The recording that path commands go to, or nullptr while none is kept or a path is replayed.
    VLCanvasPath2D* pathRecorder();
    // The recording to test, or nullptr for the live path, which also asks for recording from the next
    // beginPath on; `empty` tells that a recording was asked for and nothing was recorded.
    const VLCanvasPath2D* currentPathForHitTest(bool& empty);
    // Gives a path command to the recording, the path and the shadow's path.
    template <typename Record, typename Build>
    void pathCommand(const Record& record, const Build& build);
    // Reads the pixels of the part of the rectangle inside the buffer into its place in the block.
    void readPixelsInto(std::vector<uint8_t>& block, int64_t sx, int64_t sy, int64_t sw, int64_t sh) const;

    int16_t _bufferWidth;
    int16_t _bufferHeight;
    GLuint _viewFrameBuffer = 0;
    GLuint _viewRenderBuffer = 0;
    GLuint _msaaFrameBuffer = 0;
    GLuint _msaaRenderBuffer = 0;
    GLuint _stencilBuffer = 0;
    uint8_t _stencilMask = 1;
    GLenum _textureFilter = GL_LINEAR;
    std::shared_ptr<VLGLTexture> _currentTexture;
    std::shared_ptr<VLGLProgram2D> _currentProgram;
    std::unique_ptr<VLPath> _path;
    // The current path again for the shadow's pass, kept while a shadow is to be drawn.
    std::unique_ptr<VLPath> _shadowPath;
    std::unique_ptr<VLCanvasPath2D> _pathRecording;
    bool _wantsPathRecording = false;
    bool _recordsPath = false;
    bool _pathRecordingHasTransform = false;
    VLAffineTransform _pathRecordingTransform;
    bool _replayingPath = false;
    int32_t _vertexBufferSize = kVertexBufferBytes / int32_t(sizeof(VLCanvas2DVertex));
    int32_t _vertexBufferIndex = 0;
    int32_t _stateIndex = 0;
    std::array<VLCanvasState, kStateStackSize> _stateStack;
    VLCanvasState* _state;
    bool _upsideDown = false;
    uint64_t _contentVersion = 0;
    std::unique_ptr<VLGLFrameBufferObject> _shadowFbo;
    std::unique_ptr<VLGLFrameBufferObject> _shadowBlurFbo;
    bool _drawingShadow = false;
    float _shadowMargin = 0;
    VLRect _shadowBounds = VLRectNull;
    std::unique_ptr<VLGLFrameBufferObject> _layerFbo;
    bool _drawingLayer = false;
    VLRect _layerBounds = VLRectNull;
    std::unique_ptr<VLGLFrameBufferObject> _destinationFbo;
    bool _hitTesting = false;
    struct {
        float x = 0;
        float y = 0;
    } _hitPoint;
    bool _hitFound = false;
    // The batch: zero-filled, reused for the context's life.
    std::vector<VLCanvas2DVertex> _buffer;
    std::shared_ptr<VLGLProgram2D> _programFlat;
    std::shared_ptr<VLGLProgram2D> _programTexture;
    std::shared_ptr<VLGLProgram2D> _programAlphaTexture;
    std::shared_ptr<VLGLProgram2D> _programPattern;
};
