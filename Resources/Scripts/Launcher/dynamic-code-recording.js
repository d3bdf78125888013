// Reports every piece of code that the widget makes from text (eval, the function constructors and
// timers given a string) to the host, under the message name given, before it runs. The native side
// calls this function with the global object, the global postMessage and that name.
(function (global, postMessage, name) {
    var apply = Reflect.apply;
    var construct = Reflect.construct;
    var defineProperty = Object.defineProperty;
    var getPrototypeOf = Object.getPrototypeOf;
    var join = Array.prototype.join;
    var slice = String.prototype.slice;
    var toText = String;

    function report(kind, source) {
        try {
            postMessage(name, { kind: kind, source: apply(slice, toText(source), [0, 2000]) });
        } catch (error) {
        }
    }

    var nativeEval = global.eval;
    global.eval = function eval(source) {
        if (typeof source === 'string')
            report('eval', source);
        return nativeEval(source);
    };

    // The wrapper runs what it reported: the arguments as the texts they were reported as.
    function wrapConstructor(Native, kind) {
        var Wrapper = function () {
            var texts = [];
            for (var i = 0; i < arguments.length; i++)
                texts[i] = toText(arguments[i]);
            report(kind, apply(join, texts, [', ']));
            return construct(Native, texts, new.target || Native);
        };
        defineProperty(Wrapper, 'name', { value: Native.name });
        Wrapper.prototype = Native.prototype;
        defineProperty(Native.prototype, 'constructor', { value: Wrapper, writable: true, configurable: true });
        return Wrapper;
    }

    global.Function = wrapConstructor(Function, 'Function');
    wrapConstructor(getPrototypeOf(async function () {}).constructor, 'AsyncFunction');
    wrapConstructor(getPrototypeOf(function* () {}).constructor, 'GeneratorFunction');
    wrapConstructor(getPrototypeOf(async function* () {}).constructor, 'AsyncGeneratorFunction');

    ['setTimeout', 'setInterval'].forEach(function (timer) {
        var native = global[timer];
        if (typeof native !== 'function')
            return;
        global[timer] = function (handler) {
            if (typeof handler === 'string')
                report(timer, handler);
            return apply(native, this, arguments);
        };
    });
})
