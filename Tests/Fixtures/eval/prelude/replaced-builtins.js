// velto eval: --fallback-promise
// A widget that replaces built-ins changes nothing that the prelude or the console forwarding does.
const apply = Reflect.apply;
const exec = RegExp.prototype.exec;
const print = (...values) => apply(console.log, console, values);
const replaced = () => {
    throw new Error('a replaced built-in was used');
};
const accessor = { get: replaced, set: replaced, configurable: true };
const TypedArray = Object.getPrototypeOf(Uint8Array);
const NativePromise = Object.getPrototypeOf(Promise);

// Plain loops: the script's own iteration must not reach what it replaces.
const replaceAll = (object, names, value = replaced) => {
    for (let i = 0; i < names.length; i++)
        object[names[i]] = value;
};
const defineAll = (object, names) => {
    for (let i = 0; i < names.length; i++)
        Object.defineProperty(object, names[i], accessor);
};
replaceAll(Function.prototype, ['call', 'apply', 'bind']);
replaceAll(Array.prototype, ['map', 'join', 'slice', 'push', 'forEach', Symbol.iterator]);
replaceAll(Array, ['from']);
replaceAll(String.prototype, ['charCodeAt', 'replace', 'slice', 'split', 'toLowerCase']);
replaceAll(String, ['fromCharCode']);
replaceAll(RegExp.prototype, ['exec', 'test', Symbol.replace]);
defineAll(RegExp.prototype, ['flags', 'global', 'sticky']);
replaceAll(JSON, ['stringify']);
replaceAll(Map.prototype, ['set', 'get', 'delete', 'clear', 'forEach', 'values']);
replaceAll(WeakSet.prototype, ['add', 'has']);
replaceAll(NativePromise.prototype, ['then', 'constructor']);
defineAll(TypedArray.prototype, ['length', 'byteLength', 'buffer', Symbol.toStringTag]);
replaceAll(TypedArray.prototype, ['subarray']);
defineAll(ArrayBuffer.prototype, ['byteLength']);
replaceAll(ArrayBuffer, ['isView']);
defineAll(Array.prototype, ['0']);
defineAll(Object.prototype, ['0']);
replaceAll(globalThis, ['String', 'TypeError', 'DOMException', 'Uint8Array']);

const outcome = (block) => {
    try {
        return block();
    } catch (error) {
        return 'threw ' + error.name;
    }
};
print('console', { a: 1 }, 'text', 2);
print('btoa', btoa('h\u00e9llo'));
print('atob', outcome(() => atob(' aOlsbG8= ')) === 'h\u00e9llo');
print('atob of bad text', outcome(() => atob('Q$==')));
print('btoa beyond Latin-1', outcome(() => btoa('\u0100')));
print('randomUUID', null !== apply(exec, /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/, [crypto.randomUUID()]));
print('getRandomValues of a float array', outcome(() => crypto.getRandomValues(new Float32Array(1))));
print('appVersion', navigator.appVersion);
queueMicrotask(() => print('microtask'));
setTimeout((a, b) => print('timer', a, b), 1, 'x', 'y');
Promise.reject(new Error('reported'));
