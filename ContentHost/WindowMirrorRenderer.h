#pragma once

#include "ContentHost/ContentHostAppPort.h"
#include "ContentHost/WindowMirror.h"
#include "Platform/Foundation/VLSize.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ContentHostConnection;
class VLSurface;
class VLWSLayer;
class VLWSTimer;
class VLWSWindow;

// One mirror stream: a live picture of a window that the main application shows elsewhere. On each tick
// of its frame timer it refreshes its copy of the window's layers, renders it at most `maximumSize`
// pixels (and at most the screen's backing scale) into the next of three shared surfaces, and announces
// the frame with "frame". Each new output size starts a new generation of three surfaces, which go to the
// application over its socket before their first frame.
//
// Main thread only: the timer fires there, and the "frame" announcement follows the render through the
// main queue.
class WindowMirrorRenderer final : public std::enable_shared_from_this<WindowMirrorRenderer> {
public:
    using SurfaceFactory = std::function<std::shared_ptr<VLSurface>(uint32_t width, uint32_t height)>;

    static constexpr size_t kSurfaceCount = 3;
    static constexpr int64_t kMaximumFramesPerSecond = 60;

    // Starts the frame timer; `lastAsked` is now. Surfaces come from `makeSurface` (VLSurface::create when
    // empty).
    static std::shared_ptr<WindowMirrorRenderer> create(int64_t stream, std::shared_ptr<VLWSWindow> window,
                                                        std::shared_ptr<ContentHostConnection> connection,
                                                        ContentHostAppPort appPort, VLSize maximumSize,
                                                        int64_t framesPerSecond,
                                                        SurfaceFactory makeSurface = {});
    ~WindowMirrorRenderer();
    WindowMirrorRenderer(const WindowMirrorRenderer&) = delete;
    WindowMirrorRenderer& operator=(const WindowMirrorRenderer&) = delete;

    // 1 / min(max(fps, 1), 60) seconds.
    static double frameInterval(int64_t framesPerSecond);

    // The application asked for the stream again: it lives on, with this size and rate.
    void ask(VLSize maximumSize, int64_t framesPerSecond);
    // The stream ends: no tick runs any more.
    void end();

    int64_t stream() const { return _stream; }
    const std::shared_ptr<VLWSWindow>& window() const { return _mirror.window(); }
    // Seconds of the process's clock.
    double lastAsked() const { return _lastAsked; }
    const WindowMirror& mirror() const { return _mirror; }
    uint32_t generation() const { return _generation; }
    const std::vector<std::shared_ptr<VLSurface>>& surfaces() const { return _surfaces; }
    // Of the running frame timer; 0 once ended.
    double timerInterval() const;

    // One frame, as the timer runs it.
    void tick();

private:
    WindowMirrorRenderer(int64_t stream, std::shared_ptr<VLWSWindow> window,
                         std::shared_ptr<ContentHostConnection> connection, ContentHostAppPort appPort,
                         VLSize maximumSize, int64_t framesPerSecond, SurfaceFactory makeSurface);
    void restartTimer();
    // Three surfaces of the size, made (and handed to the application) when the current set is of another
    // size or incomplete. False, with the tick skipped, when one could not be made or the size is beyond
    // what the compositor draws.
    bool ensureSurfaces(double width, double height);
    // Sizes the output and scales the copy onto it, top row first.
    void layOut(VLSize output, VLSize source);
    void frameDidRender(uint32_t generation, size_t index);

    const int64_t _stream;
    WindowMirror _mirror;
    const std::shared_ptr<ContentHostConnection> _connection;
    const ContentHostAppPort _appPort;
    const SurfaceFactory _makeSurface;
    // What is rendered: its bounds are the output, and `_scaled` brings the copy to that size.
    const std::shared_ptr<VLWSLayer> _root;
    const std::shared_ptr<VLWSLayer> _scaled;
    std::vector<std::shared_ptr<VLSurface>> _surfaces;
    uint32_t _generation = 0; // wraps around
    size_t _next = 0;
    // From the render until its "frame" went out.
    bool _isRendering = false;
    std::shared_ptr<VLWSTimer> _timer;
    VLSize _maximumSize;
    int64_t _framesPerSecond;
    double _lastAsked;
};
