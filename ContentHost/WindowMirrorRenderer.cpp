#include "ContentHost/WindowMirrorRenderer.h"

#include "ContentHost/ContentHostConnection.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Graphics/VLSurface.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSTransaction.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <cmath>

namespace {

VLWSClock& windowMirrorClock() {
    return VLWindowServer::shared()->clock();
}

} // namespace

std::shared_ptr<WindowMirrorRenderer>
WindowMirrorRenderer::create(int64_t stream, std::shared_ptr<VLWSWindow> window,
                             std::shared_ptr<ContentHostConnection> connection, ContentHostAppPort appPort,
                             VLSize maximumSize, int64_t framesPerSecond, SurfaceFactory makeSurface) {
    std::shared_ptr<WindowMirrorRenderer> renderer(
        new WindowMirrorRenderer(stream, std::move(window), std::move(connection), appPort, maximumSize,
                                 framesPerSecond, std::move(makeSurface)));
    renderer->restartTimer();
    return renderer;
}

WindowMirrorRenderer::WindowMirrorRenderer(int64_t stream, std::shared_ptr<VLWSWindow> window,
                                           std::shared_ptr<ContentHostConnection> connection,
                                           ContentHostAppPort appPort, VLSize maximumSize,
                                           int64_t framesPerSecond, SurfaceFactory makeSurface)
    : _stream(stream), _mirror(std::move(window)), _connection(std::move(connection)), _appPort(appPort),
      _makeSurface(makeSurface ? std::move(makeSurface) : SurfaceFactory([](uint32_t width, uint32_t height) {
          return VLSurface::create(width, height, VLSurface::PixelFormatBGRA);
      })),
      _root(std::make_shared<VLWSLayer>()), _scaled(std::make_shared<VLWSLayer>()), _maximumSize(maximumSize),
      _framesPerSecond(framesPerSecond), _lastAsked(windowMirrorClock().now()) {
    _root->setAnchorPoint({0, 0});
    _scaled->setAnchorPoint({0, 0});
    _root->addSublayer(_scaled);
    _scaled->addSublayer(_mirror.layer());
}

WindowMirrorRenderer::~WindowMirrorRenderer() {
    end();
}

double WindowMirrorRenderer::frameInterval(int64_t framesPerSecond) {
    return 1.0 / double(std::min(std::max<int64_t>(framesPerSecond, 1), kMaximumFramesPerSecond));
}

double WindowMirrorRenderer::timerInterval() const {
    return _timer && _timer->isValid() ? _timer->interval() : 0;
}

void WindowMirrorRenderer::ask(VLSize maximumSize, int64_t framesPerSecond) {
    _lastAsked = windowMirrorClock().now();
    _maximumSize = maximumSize;
    if (framesPerSecond != _framesPerSecond) {
        _framesPerSecond = framesPerSecond;
        restartTimer();
    }
}

void WindowMirrorRenderer::end() {
    if (_timer)
        _timer->invalidate();
    _timer = nullptr;
}

void WindowMirrorRenderer::restartTimer() {
    end();
    _timer = windowMirrorClock().scheduleTimer(frameInterval(_framesPerSecond), true,
                                               [weak = weak_from_this()](VLWSTimer&) {
                                                   if (auto renderer = weak.lock())
                                                       renderer->tick();
                                               });
}

void WindowMirrorRenderer::tick() {
    if (_isRendering)
        return;
    _mirror.refresh();
    const VLSize source = _mirror.layer()->bounds().size;
    // NaN counts as too small.
    if (!(source.width >= 1) || !(source.height >= 1) || !(_maximumSize.width >= 1) ||
        !(_maximumSize.height >= 1))
        return;
    // The window's screen's scale, else the main screen's, else the window's own: the window answers so.
    const double backingScale = window()->backingScaleFactor();
    const double scale = std::min(_maximumSize.height / source.height,
                                  std::min(_maximumSize.width / source.width, backingScale));
    // std::round takes halves away from zero.
    const double width = std::max(std::round(source.width * scale), 1.0);
    const double height = std::max(std::round(source.height * scale), 1.0);
    if (!ensureSurfaces(width, height))
        return;
    layOut({width, height}, source);

    const size_t index = _next;
    _next = (_next + 1) % _surfaces.size();
    const VLSurface& target = *_surfaces[index];
    _isRendering = true;
    if (!VLCompositor::renderLayer(*_root, target.mutablePixels(), 1, {0, 0})) {
        _isRendering = false;
        return;
    }
    VLMainQueue::async([weak = weak_from_this(), generation = _generation, index] {
        if (auto renderer = weak.lock())
            renderer->frameDidRender(generation, index);
    });
}

bool WindowMirrorRenderer::ensureSurfaces(double width, double height) {
    // A window of any size may be asked for at any maximum: what the compositor cannot draw is not made.
    if (!(width <= VLCompositor::kMaximumSide) || !(height <= VLCompositor::kMaximumSide) ||
        width * height > double(VLCompositor::kMaximumPixels))
        return false;
    const auto pixelWidth = uint32_t(width);
    const auto pixelHeight = uint32_t(height);
    // A set is done only with all three: one that failed part-way is made anew on the next tick.
    if (_surfaces.size() == kSurfaceCount && _surfaces.front()->width() == pixelWidth &&
        _surfaces.front()->height() == pixelHeight)
        return true;
    ++_generation;
    _next = 0;
    _surfaces.clear();
    for (uint32_t index = 0; index < kSurfaceCount; ++index) {
        std::shared_ptr<VLSurface> surface = _makeSurface(pixelWidth, pixelHeight);
        if (!surface)
            return false;
        _surfaces.push_back(surface);
        // A send that failed is not tried again: the frames still follow, naming a generation the
        // application may have no surfaces for.
        _appPort.sendSurface(_stream, _generation, index, *surface);
    }
    return true;
}

void WindowMirrorRenderer::layOut(VLSize output, VLSize source) {
    VLWSTransaction::begin();
    VLWSTransaction::setDisableActions(true);
    _root->setBounds({{0, 0}, output});
    // The compositor writes the top row first, so the copy needs no flip to come out upright.
    _scaled->setPosition({0, 0});
    _scaled->setTransform(
        VLAffineTransform::scale(output.width / source.width, output.height / source.height));
    VLWSTransaction::commit();
}

void WindowMirrorRenderer::frameDidRender(uint32_t generation, size_t index) {
    _isRendering = false;
    _connection->send({
        {"op", "frame"},
        {"stream", _stream},
        {"generation", int64_t(generation)},
        {"index", int64_t(index)},
    });
}
