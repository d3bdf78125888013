// crypto.getRandomValues limits and errors, and randomUUID.
const show = (call) => {
    try {
        const result = call();
        return result.constructor.name + ' of ' + result.byteLength + ' bytes';
    } catch (error) {
        return error.name + (error instanceof DOMException ? ' (DOMException): ' : ': ') + error.message;
    }
};
for (const [label, call] of [
    ['Uint8Array(65536)', () => crypto.getRandomValues(new Uint8Array(65536))],
    ['Uint8Array(65537)', () => crypto.getRandomValues(new Uint8Array(65537))],
    ['BigUint64Array(2)', () => crypto.getRandomValues(new BigUint64Array(2))],
    ['Uint8ClampedArray(3)', () => crypto.getRandomValues(new Uint8ClampedArray(3))],
    ['Float32Array(2)', () => crypto.getRandomValues(new Float32Array(2))],
    ['DataView', () => crypto.getRandomValues(new DataView(new ArrayBuffer(4)))],
    ['plain object', () => crypto.getRandomValues({})],
    ['ArrayBuffer', () => crypto.getRandomValues(new ArrayBuffer(4))],
    ['nothing', () => crypto.getRandomValues()],
])
    console.log(label, '->', show(call));

const array = new Uint32Array(4);
console.log('returns its argument:', crypto.getRandomValues(array) === array, 'filled:', array.some((n) => n !== 0));
const uuids = new Set();
for (let i = 0; i < 100; i++)
    uuids.add(crypto.randomUUID());
console.log('randomUUID:', [...uuids].every((uuid) => /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/.test(uuid)),
            uuids.size);
console.log(String(crypto), Object.prototype.toString.call(crypto));
