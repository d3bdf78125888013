// The current path of VLCanvas2DRenderingContext: its commands, the recording kept for hit tests, and
// the replay of recorded paths in its place.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/Context2D/VLPath.h"

template <typename Record, typename Build>
void VLCanvas2DRenderingContext::pathCommand(const Record& record, const Build& build) {
    if (VLCanvasPath2D* recorder = pathRecorder())
        record(*recorder);
    build(*_path);
    if (_shadowPath)
        build(*_shadowPath);
}

VLCanvasPath2D* VLCanvas2DRenderingContext::pathRecorder() {
    if (_replayingPath || !_recordsPath)
        return nullptr;
    if (!_pathRecording) {
        _pathRecording = std::make_unique<VLCanvasPath2D>();
        _pathRecordingHasTransform = false;
    }
    if (!_pathRecordingHasTransform || !(_pathRecordingTransform == _state->transform)) {
        _pathRecording->setPathTransform(_state->transform);
        _pathRecordingTransform = _state->transform;
        _pathRecordingHasTransform = true;
    }
    return _pathRecording.get();
}

const VLCanvasPath2D* VLCanvas2DRenderingContext::currentPathForHitTest(bool& empty) {
    if (!_recordsPath) {
        // The live path is flattened for drawing; from the next path on, its commands are kept.
        _wantsPathRecording = true;
        empty = false;
        return nullptr;
    }
    empty = !_pathRecording;
    return _pathRecording.get();
}

void VLCanvas2DRenderingContext::beginPath() {
    _path->reset();
    if (_shadowPath)
        _shadowPath->reset();
    _pathRecording = nullptr;
    _recordsPath = _wantsPathRecording;
}

void VLCanvas2DRenderingContext::closePath() {
    pathCommand([](VLCanvasPath2D& recorder) { recorder.closePath(); }, [](VLPath& path) { path.close(); });
}

void VLCanvas2DRenderingContext::moveToX(float x, float y) {
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.moveToX(x, y); },
                [&](VLPath& path) { path.moveToX(x, y); });
}

void VLCanvas2DRenderingContext::lineToX(float x, float y) {
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.lineToX(x, y); },
                [&](VLPath& path) { path.lineToX(x, y); });
}

void VLCanvas2DRenderingContext::rectX(float x, float y, float w, float h) {
    // Closed, so that a stroke joins all four corners, and moved back to its start as roundRect is.
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.rectX(x, y, w, h); },
                [&](VLPath& path) {
                    path.moveToX(x, y);
                    path.lineToX(x + w, y);
                    path.lineToX(x + w, y + h);
                    path.lineToX(x, y + h);
                    path.close();
                    path.moveToX(x, y);
                });
}

void VLCanvas2DRenderingContext::bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x,
                                                   float y) {
    // The flattening tolerance follows the drawing scale.
    const float scale = VLFloatFromDouble(VLPathScaleOf(_state->transform));
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.bezierCurveToCpx1(cpx1, cpy1, cpx2, cpy2, x, y); },
                [&](VLPath& path) { path.bezierCurveToCpx1(cpx1, cpy1, cpx2, cpy2, x, y, scale); });
}

void VLCanvas2DRenderingContext::quadraticCurveToCpx(float cpx, float cpy, float x, float y) {
    const float scale = VLFloatFromDouble(VLPathScaleOf(_state->transform));
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.quadraticCurveToCpx(cpx, cpy, x, y); },
                [&](VLPath& path) { path.quadraticCurveToCpx(cpx, cpy, x, y, scale); });
}

void VLCanvas2DRenderingContext::arcToX1(float x1, float y1, float x2, float y2, float radius) {
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.arcToX1(x1, y1, x2, y2, radius); },
                [&](VLPath& path) { path.arcToX1(x1, y1, x2, y2, radius); });
}

void VLCanvas2DRenderingContext::arcX(float x, float y, float radius, float startAngle, float endAngle,
                                      bool antiClockwise) {
    pathCommand(
        [&](VLCanvasPath2D& recorder) { recorder.arcX(x, y, radius, startAngle, endAngle, antiClockwise); },
        [&](VLPath& path) { path.arcX(x, y, radius, startAngle, endAngle, antiClockwise); });
}

void VLCanvas2DRenderingContext::ellipseX(float x, float y, float radiusX, float radiusY, float rotation,
                                          float startAngle, float endAngle, bool antiClockwise) {
    pathCommand(
        [&](VLCanvasPath2D& recorder) {
            recorder.ellipseX(x, y, radiusX, radiusY, rotation, startAngle, endAngle, antiClockwise);
        },
        [&](VLPath& path) {
            path.ellipseX(x, y, radiusX, radiusY, rotation, startAngle, endAngle, antiClockwise);
        });
}

void VLCanvas2DRenderingContext::roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) {
    pathCommand([&](VLCanvasPath2D& recorder) { recorder.roundRectX(x, y, w, h, radii); },
                [&](VLPath& path) { path.roundRectX(x, y, w, h, radii); });
}

void VLCanvas2DRenderingContext::withPath(const VLCanvasPath2D* path, bool precise,
                                          const std::function<void()>& block) {
    if (!path) {
        block();
        return;
    }
    std::unique_ptr<VLPath> keptPath = std::move(_path);
    std::unique_ptr<VLPath> keptShadowPath = std::move(_shadowPath);
    const VLAffineTransform transform = _state->transform;
    _path = std::make_unique<VLPath>();
    _path->setTransform(transform);
    _path->setPrecise(precise);
    updateShadow();
    // A replay is never recorded.
    _replayingPath = true;
    path->replayToBuilder(*this);
    _replayingPath = false;
    setPathTransform(transform);
    block();
    _path = std::move(keptPath);
    _shadowPath = std::move(keptShadowPath);
    updateShadow();
}
