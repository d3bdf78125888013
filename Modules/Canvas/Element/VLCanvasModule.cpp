#include "Modules/Canvas/Element/VLCanvasModule.h"

std::optional<std::string> VLCanvasModule::polyfillScript() {
    // The stand-ins cannot be constructed; instanceof tells contexts by their class's tag. A script's
    // own globals of those names are kept.
    return R"(!function (global) {
    Velto.Canvas = VeltoRuntime.Canvas;
    for (const name of ['WebGLRenderingContext', 'WebGL2RenderingContext']) {
        const tag = '[object ' + name + ']';
        const standIn = { [name]: function () { throw new TypeError('Illegal constructor'); } }[name];
        Object.defineProperty(standIn, Symbol.hasInstance, {
            value: value => Object.prototype.toString.call(value) === tag,
        });
        Velto[name] = standIn;
        if (global[name] === undefined)
            global[name] = standIn;
    }
}(this);)";
}
