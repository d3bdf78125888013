// URL and URLSearchParams: core-js-pure @VERSION@ (MIT licence, shipped with the build), bundled by
// esbuild. Its code runs at the first touch of either global, so that a launch only parses it.
internal.defineLazyGlobals(['URL', 'URLSearchParams'], function () {
    const module = { exports: {} };
    (function (module, exports) {
@CODE@
    })(module, module.exports);
    internal.addObjectURLMethods(module.exports.URL);
    return module.exports;
});
