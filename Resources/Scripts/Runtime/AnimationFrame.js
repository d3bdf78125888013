// requestAnimationFrame, cancelAnimationFrame and Velto.preferredFramesPerSecond, on the runtime's one
// AnimationFrameManager.
(function () {
    var manager = new VeltoRuntime.AnimationFrameManager();
    globalThis.requestAnimationFrame = manager.requestAnimationFrame.bind(manager);
    globalThis.cancelAnimationFrame = manager.cancelAnimationFrame.bind(manager);
    Object.defineProperty(Velto, 'preferredFramesPerSecond', {
        enumerable: true,
        get: function () {
            return manager.preferredFramesPerSecond;
        },
        set: function (value) {
            manager.preferredFramesPerSecond = Number(value);
        },
    });
})();
