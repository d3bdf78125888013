#include "Modules/Canvas/Context2D/VLCanvasPath2DModule.h"

std::optional<std::string> VLCanvasPath2DModule::polyfillScript() {
    // The global constructs the native class and takes its objects' prototype as its own, so that
    // instanceof, Path2D.prototype's methods and constructor agree; a script's own Path2D is kept.
    return R"(!function (global) {
    if (global.Path2D !== undefined)
        return;
    const NativePath2D = VeltoRuntime.Path2D;
    const Path2D = function Path2D(path) {
        if (new.target === undefined)
            throw new TypeError("Constructor Path2D requires 'new'");
        return arguments.length === 0 ? new NativePath2D() : new NativePath2D(path);
    };
    Path2D.prototype = Object.getPrototypeOf(new NativePath2D());
    Object.defineProperty(Path2D.prototype, 'constructor', { value: Path2D, writable: true, configurable: true });
    Object.defineProperty(Path2D, Symbol.hasInstance, { value: value => value instanceof NativePath2D });
    Object.defineProperty(global, 'Path2D', { value: Path2D, writable: true, configurable: true });
}(this);)";
}
