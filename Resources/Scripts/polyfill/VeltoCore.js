// The core prelude: the global `Velto` object and the web-like globals that widget scripts expect,
// built on the native classes VeltoCore.Utils and VeltoCore.Performance. Runs first in every context,
// before any module prelude and before the package's own scripts.
(function (global) {
    'use strict';

    // Taken before any widget script runs, so that later changes to the globals do not reach here.
    const NativePromise = global.Promise;
    const nativeThen = NativePromise.prototype.then;
    const resolvedPromise = NativePromise.resolve();

    const utils = new global.VeltoCore.Utils();

    // Velto: the Utils members, functions bound to the Utils object, less those only the prelude uses.
    const velto = {};
    for (const key in utils) {
        const value = utils[key];
        velto[key] = typeof value === 'function' ? value.bind(utils) : value;
    }
    for (const key of ['tracksUnhandledRejections', 'reportUnhandledRejection', 'reportException',
                       'getRandomValues', 'preferredLanguages', 'processorCount'])
        delete velto[key];

    const makeDOMException = (message, name) => {
        if (typeof global.DOMException === 'function')
            return new global.DOMException(message, name);
        const error = new Error(message);
        error.name = name;
        return error;
    };

    global.queueMicrotask = function queueMicrotask(callback) {
        if (typeof callback !== 'function')
            throw new TypeError('queueMicrotask: the callback must be a function');
        // The reaction catches, so the promise that `then` makes never rejects.
        nativeThen.call(resolvedPromise, () => {
            try {
                callback();
            } catch (error) {
                utils.reportException(error);
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

    global.btoa = function btoa(data) {
        const text = stringArgument('btoa', arguments.length, data);
        const bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; i++) {
            const unit = text.charCodeAt(i);
            if (unit > 255)
                throw makeDOMException('btoa: the string has characters outside of Latin1', 'InvalidCharacterError');
            bytes[i] = unit;
        }
        return bytes.length === 0 ? '' : utils.base64Encode(bytes.buffer);
    };

    global.atob = function atob(data) {
        const notEncoded = () => makeDOMException('atob: the string is not correctly encoded', 'InvalidCharacterError');
        let text = stringArgument('atob', arguments.length, data).replace(/[\t\n\f\r ]/g, '');
        if (text.length % 4 === 0)
            text = text.replace(/==?$/, '');
        if (text.length % 4 === 1 || /[^A-Za-z0-9+/]/.test(text))
            throw notEncoded();
        if (text.length === 0)
            return '';
        while (text.length % 4 !== 0)
            text += '=';
        const buffer = utils.base64Decode(text);
        if (buffer === null || buffer === undefined)
            throw notEncoded();
        const bytes = new Uint8Array(buffer);
        // In slices, so that apply never gets more arguments than the engine takes.
        let result = '';
        for (let i = 0; i < bytes.length; i += 8192)
            result += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
        return result;
    };

    // crypto
    const typedArrayKind = Object.getOwnPropertyDescriptor(Object.getPrototypeOf(Uint8Array.prototype),
                                                           Symbol.toStringTag).get;
    const integerArrayKinds = new Set(['Int8Array', 'Uint8Array', 'Uint8ClampedArray', 'Int16Array',
                                       'Uint16Array', 'Int32Array', 'Uint32Array', 'BigInt64Array',
                                       'BigUint64Array']);
    const hexDigits = (bytes) => Array.from(bytes, (byte) => (byte < 16 ? '0' : '') + byte.toString(16)).join('');

    class Crypto {
        getRandomValues(array) {
            const message = 'getRandomValues: the argument must be an integer typed array';
            if (arguments.length === 0 || !ArrayBuffer.isView(array))
                throw new TypeError(message);
            if (!integerArrayKinds.has(typedArrayKind.call(array)))
                throw makeDOMException(message, 'TypeMismatchError');
            if (array.byteLength > 65536)
                throw makeDOMException('getRandomValues: the array has more than 65536 bytes', 'QuotaExceededError');
            utils.getRandomValues(array);
            return array;
        }

        randomUUID() {
            const bytes = new Uint8Array(16);
            utils.getRandomValues(bytes);
            bytes[6] = (bytes[6] & 0x0f) | 0x40;
            bytes[8] = (bytes[8] & 0x3f) | 0x80;
            const hex = hexDigits(bytes);
            return [hex.slice(0, 8), hex.slice(8, 12), hex.slice(12, 16), hex.slice(16, 20), hex.slice(20)].join('-');
        }
    }
    Object.defineProperty(Crypto.prototype, Symbol.toStringTag, { value: 'Crypto', configurable: true });
    global.crypto = new Crypto();

    // navigator
    const userAgent = 'Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) Velto';
    const hardwareConcurrency = utils.processorCount;

    // A system language tag as scripts know it: language and region ("zh-Hant-HK" gives "zh-HK").
    const webLanguage = (tag) => {
        const parts = String(tag).replace(/_/g, '-').split('-');
        const language = parts[0].toLowerCase();
        let script = '';
        let region = '';
        for (let i = 1; i < parts.length; i++) {
            const part = parts[i];
            if (part.length === 1)
                break;
            if (part.length === 4 && i === 1)
                script = part.toLowerCase();
            else if (!region && (part.length === 2 || (part.length === 3 && /^[0-9]+$/.test(part))))
                region = part.toUpperCase();
        }
        if (language === 'zh' && !region)
            region = script === 'hant' ? 'TW' : 'CN';
        return region ? language + '-' + region : language;
    };
    const languages = Object.freeze(Array.from(new Set(Array.from(utils.preferredLanguages, webLanguage))));

    class Navigator {
        get userAgent() { return userAgent; }
        get appVersion() { return userAgent.slice(8); }
        get platform() { return 'MacIntel'; }
        get language() { return languages[0]; }
        get languages() { return languages; }
        get hardwareConcurrency() { return hardwareConcurrency; }
        get maxTouchPoints() { return 0; }
    }
    Object.defineProperty(Navigator.prototype, Symbol.toStringTag, { value: 'Navigator', configurable: true });
    Object.defineProperty(global, 'navigator', { value: new Navigator(), writable: true, configurable: true });

    // Without the engine's own tracking, promises report their unhandled rejections themselves.
    if (!utils.tracksUnhandledRejections) {
        const handled = new WeakSet();
        const unhandled = new Map(); // promise to reason, in order of rejection
        let checkScheduled = false;

        const check = () => {
            checkScheduled = false;
            const reasons = Array.from(unhandled.values());
            unhandled.clear();
            for (const reason of reasons)
                utils.reportUnhandledRejection(reason);
        };

        const track = (promise, reason) => {
            if (handled.has(promise))
                return;
            unhandled.set(promise, reason);
            // A timer, not a microtask: handlers attached later in this task or its microtasks count.
            if (!checkScheduled) {
                checkScheduled = true;
                utils.setTimeout(check, 0);
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
                            nativeThen.call(value, undefined, trackRejection);
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
                handled.add(this);
                unhandled.delete(this);
                return nativeThen.call(this, onFulfilled, onRejected);
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
