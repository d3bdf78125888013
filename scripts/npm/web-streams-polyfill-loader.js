// web-streams-polyfill @VERSION@ (MIT licence, shipped with the build): its published dist/ponyfill.js,
// run when a stream class is first touched, so that a launch only parses it.
(function () {
    let classes = null;
    const load = () => {
        if (!classes) {
            const target = {};
            (function (exports, module) {
@CODE@
            })(target, { exports: target });
            classes = target;
        }
        return classes;
    };
    for (const name of @NAMES@)
        Object.defineProperty(exports, name, { get: () => load()[name], enumerable: true, configurable: true });
})();
