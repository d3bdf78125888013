// The core prelude: the global `Velto` object and the web-like globals that widget scripts expect,
// built on the native classes VeltoCore.Utils and VeltoCore.Performance. Runs first in every context,
// before any module prelude and before the package's own scripts.
(function (global) {
    'use strict';

    // Everything that runs after start-up uses only what is taken here, while the built-ins are still
    // the engine's own: a widget may replace globals and built-in methods (Function.prototype.call
    // included) without changing what the prelude does. Methods are called through uncurried forms,
    // getters through their captured functions, regular expressions through the captured exec; no
    // iterator or array method runs after start-up.
    const FunctionPrototype = Function.prototype;
    const uncurryThis = FunctionPrototype.bind.bind(FunctionPrototype.call);
    const getter = (object, name) => uncurryThis(Object.getOwnPropertyDescriptor(object, name).get);

    const { ArrayBuffer, DOMException, Error, Map, Object, String, Symbol, TypeError, Uint8Array, WeakSet } = global;
    const NativePromise = global.Promise;
    const nativeThen = uncurryThis(NativePromise.prototype.then);
    const stringSlice = uncurryThis(String.prototype.slice);
    const regExpExec = uncurryThis(RegExp.prototype.exec);
    const fromCharCode = String.fromCharCode;
    const arrayBufferByteLength = getter(ArrayBuffer.prototype, 'byteLength');
    const isView = ArrayBuffer.isView;
    const TypedArrayPrototype = Object.getPrototypeOf(Uint8Array.prototype);
    const typedArrayKind = getter(TypedArrayPrototype, Symbol.toStringTag);
    const typedArrayByteLength = getter(TypedArrayPrototype, 'byteLength');
    const defineProperty = Object.defineProperty;
    const freeze = Object.freeze;

    // A promise whose `then` looks up no species: its reactions are the engine's own jobs.
    const resolvedPromise = NativePromise.resolve();
    defineProperty(resolvedPromise, 'constructor', { value: undefined });

    const utils = new global.VeltoCore.Utils();
    const bound = (name) => utils[name].bind(utils);
    const reportException = bound('reportException');
    const reportUnhandledRejection = bound('reportUnhandledRejection');
    const getRandomValues = bound('getRandomValues');
    const base64Encode = bound('base64Encode');
    const base64Decode = bound('base64Decode');
    const setInternalTimeout = bound('setInternalTimeout');

    // Velto: the Utils members, functions bound to the Utils object, less those only the prelude uses.
    const velto = {};
    for (const key in utils) {
        const value = utils[key];
        velto[key] = typeof value === 'function' ? value.bind(utils) : value;
    }
    for (const key of ['tracksUnhandledRejections', 'reportUnhandledRejection', 'reportException',
                       'getRandomValues', 'preferredLanguages', 'processorCount', 'userAgent',
                       'setInternalTimeout'])
        delete velto[key];

    const makeDOMException = (message, name) => {
        if (typeof DOMException === 'function')
            return new DOMException(message, name);
        const error = new Error(message);
        error.name = name;
        return error;
    };

    global.queueMicrotask = function queueMicrotask(callback) {
        if (typeof callback !== 'function')
            throw new TypeError('queueMicrotask: the callback must be a function');
        // The reaction catches, so the promise that `then` makes never rejects.
        nativeThen(resolvedPromise, () => {
            try {
                callback();
            } catch (error) {
                reportException(error);
            }
        });
    };

    // The argument of btoa and atob as a string.
    const stringArgument = (name, count, value) => {
        if (count === 0)
            throw new TypeError(name + ': 1 argument required, but only 0 present');
        if (typeof value === 'symbol')
            throw new TypeError(name + ': cannot convert a Symbol to a string');
        return String(value);
    };

    // Characters are read by index (a string's own elements) and looked up in a table without
    // prototype: much faster than calling charCodeAt through its uncurried form.
    const latin1 = [];                       // code unit to one-character string
    const latin1Codes = { __proto__: null }; // one-character string to code unit
    for (let unit = 0; unit < 256; unit++) {
        latin1[unit] = fromCharCode(unit);
        latin1Codes[latin1[unit]] = unit;
    }
    freeze(latin1);
    const asciiWhitespace = /[\t\n\f\r ]/g; // global: each search goes on from the last match
    const notBase64 = /[^A-Za-z0-9+/]/;

    global.btoa = function btoa(data) {
        const text = stringArgument('btoa', arguments.length, data);
        if (text.length === 0)
            return '';
        const buffer = new ArrayBuffer(text.length);
        const bytes = new Uint8Array(buffer);
        for (let i = 0; i < text.length; i++) {
            const unit = latin1Codes[text[i]];
            if (unit === undefined)
                throw makeDOMException('btoa: the string has characters outside of Latin1', 'InvalidCharacterError');
            bytes[i] = unit;
        }
        return base64Encode(buffer);
    };

    const withoutASCIIWhitespace = (text) => {
        asciiWhitespace.lastIndex = 0;
        let result = '';
        let start = 0;
        for (let match; (match = regExpExec(asciiWhitespace, text)) !== null;) {
            result += stringSlice(text, start, match.index);
            start = match.index + 1;
        }
        return start === 0 ? text : result + stringSlice(text, start);
    };

    global.atob = function atob(data) {
        const notEncoded = () => makeDOMException('atob: the string is not correctly encoded', 'InvalidCharacterError');
        let text = withoutASCIIWhitespace(stringArgument('atob', arguments.length, data));
        if (text.length % 4 === 0 && text.length > 0 && text[text.length - 1] === '=') {
            const padding = text.length > 1 && text[text.length - 2] === '=' ? 2 : 1;
            text = stringSlice(text, 0, text.length - padding);
        }
        if (text.length % 4 === 1 || regExpExec(notBase64, text) !== null)
            throw notEncoded();
        if (text.length === 0)
            return '';
        while (text.length % 4 !== 0)
            text += '=';
        const buffer = base64Decode(text);
        if (buffer === null || buffer === undefined)
            throw notEncoded();
        const bytes = new Uint8Array(buffer);
        const length = arrayBufferByteLength(buffer);
        let result = '';
        for (let i = 0; i < length; i++)
            result += latin1[bytes[i]];
        return result;
    };

    // crypto
    const integerArrayKinds = freeze({
        __proto__: null, Int8Array: true, Uint8Array: true, Uint8ClampedArray: true, Int16Array: true,
        Uint16Array: true, Int32Array: true, Uint32Array: true, BigInt64Array: true, BigUint64Array: true,
    });
    const hexDigits = [];
    for (let byte = 0; byte < 256; byte++)
        hexDigits[byte] = (byte < 16 ? '0' : '') + byte.toString(16);
    freeze(hexDigits);

    class Crypto {
        getRandomValues(array) {
            const message = 'getRandomValues: the argument must be an integer typed array';
            if (arguments.length === 0 || !isView(array))
                throw new TypeError(message);
            if (integerArrayKinds[typedArrayKind(array)] !== true)
                throw makeDOMException(message, 'TypeMismatchError');
            if (typedArrayByteLength(array) > 65536)
                throw makeDOMException('getRandomValues: the array has more than 65536 bytes', 'QuotaExceededError');
            getRandomValues(array);
            return array;
        }

        randomUUID() {
            const bytes = new Uint8Array(16);
            getRandomValues(bytes);
            bytes[6] = (bytes[6] & 0x0f) | 0x40;
            bytes[8] = (bytes[8] & 0x3f) | 0x80;
            let uuid = '';
            for (let i = 0; i < 16; i++)
                uuid += (i === 4 || i === 6 || i === 8 || i === 10 ? '-' : '') + hexDigits[bytes[i]];
            return uuid;
        }
    }
    defineProperty(Crypto.prototype, Symbol.toStringTag, { value: 'Crypto', configurable: true });
    global.crypto = new Crypto();

    // navigator
    const userAgent = utils.userAgent;
    const hardwareConcurrency = utils.processorCount;
    // Language and region of each system language, as requests name them too ("zh-Hant-HK" gives "zh-HK").
    const languages = freeze(Array.from(utils.preferredLanguages));

    class Navigator {
        get userAgent() { return userAgent; }
        get appVersion() { return stringSlice(userAgent, 8); }
        get platform() { return 'MacIntel'; }
        get language() { return languages[0]; }
        get languages() { return languages; }
        get hardwareConcurrency() { return hardwareConcurrency; }
        get maxTouchPoints() { return 0; }
    }
    defineProperty(Navigator.prototype, Symbol.toStringTag, { value: 'Navigator', configurable: true });
    defineProperty(global, 'navigator', { value: new Navigator(), writable: true, configurable: true });

    // Without the engine's own tracking, promises report their unhandled rejections themselves.
    if (!utils.tracksUnhandledRejections) {
        const handled = new WeakSet();
        const markHandled = uncurryThis(WeakSet.prototype.add);
        const isHandled = uncurryThis(WeakSet.prototype.has);
        const unhandled = new Map(); // promise to reason, in order of rejection
        const setUnhandled = uncurryThis(Map.prototype.set);
        const deleteUnhandled = uncurryThis(Map.prototype.delete);
        const clearUnhandled = uncurryThis(Map.prototype.clear);
        const forEachUnhandled = uncurryThis(Map.prototype.forEach);
        let checkScheduled = false;

        const check = () => {
            checkScheduled = false;
            const reasons = { __proto__: null };
            let count = 0;
            forEachUnhandled(unhandled, (reason) => {
                reasons[count++] = reason;
            });
            clearUnhandled(unhandled);
            for (let i = 0; i < count; i++)
                reportUnhandledRejection(reasons[i]);
        };

        const track = (promise, reason) => {
            if (isHandled(handled, promise))
                return;
            setUnhandled(unhandled, promise, reason);
            // A timer, not a microtask: handlers attached later in this task or its microtasks count.
            // The prelude's own timer, which no script can clear.
            if (!checkScheduled) {
                checkScheduled = true;
                setInternalTimeout(check, 0);
            }
        };

        class Promise extends NativePromise {
            constructor(executor) {
                if (typeof executor !== 'function')
                    throw new TypeError('Promise resolver is not a function');
                // The executor runs inside super(), before `this` exists: a rejection that it causes is
                // tracked once construction has finished.
                let promise = null;
                let earlyRejection = null;
                const trackRejection = (reason) => {
                    if (promise)
                        track(promise, reason);
                    else
                        earlyRejection = { reason };
                };
                let settled = false;
                super((resolve, reject) => {
                    const wrappedResolve = (value) => {
                        // Adopting a promise that rejects rejects this one without reject().
                        if (!settled && value instanceof NativePromise)
                            nativeThen(value, undefined, trackRejection);
                        settled = true;
                        resolve(value);
                    };
                    const wrappedReject = (reason) => {
                        if (!settled) {
                            settled = true;
                            trackRejection(reason);
                        }
                        reject(reason);
                    };
                    try {
                        executor(wrappedResolve, wrappedReject);
                    } catch (error) {
                        wrappedReject(error);
                    }
                });
                promise = this;
                if (earlyRejection)
                    track(this, earlyRejection.reason);
            }

            then(onFulfilled, onRejected) {
                markHandled(handled, this);
                deleteUnhandled(unhandled, this);
                return nativeThen(this, onFulfilled, onRejected);
            }

            // Promises made before this class, and by async functions, are promises too.
            static [Symbol.hasInstance](value) {
                return value instanceof NativePromise;
            }
        }
        global.Promise = Promise;
    }

    global.Velto = velto;
    global.setTimeout = utils.setTimeout.bind(utils);
    global.clearTimeout = utils.clearTimeout.bind(utils);
    global.setInterval = utils.setInterval.bind(utils);
    global.clearInterval = utils.clearInterval.bind(utils);
    global.performance = new global.VeltoCore.Performance();
    global.self = global;
})(this);
