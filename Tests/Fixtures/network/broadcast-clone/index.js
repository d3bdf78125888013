// Two channels of one name in one widget: each hears the other's posts as clones, never its own. The
// table of values crosses from `left` to `right`, which describes what arrived: `#n` stands for the n-th
// object met again, so shared references and cycles show.
const describe = (value, seen = new Map()) => {
    switch (typeof value) {
    case 'number':
        return Object.is(value, -0) ? '-0' : String(value);
    case 'bigint':
        return `${value}n`;
    case 'string':
        return JSON.stringify(value);
    case 'object':
        break;
    default:
        return String(value);
    }
    if (value === null)
        return 'null';
    if (seen.has(value))
        return `#${seen.get(value)}`;
    seen.set(value, seen.size);
    const entries = object => Object.keys(object).map(key => `${key}: ${describe(object[key], seen)}`).join(', ');
    const kind = Object.prototype.toString.call(value).slice(8, -1);
    if (value instanceof Date)
        return `Date(${value.getTime()})`;
    if (value instanceof RegExp)
        return `RegExp(${value})`;
    if (value instanceof Error)
        return `${value.constructor.name}(${value.name}: ${value.message}, own message ${Object.hasOwn(value, 'message')})`;
    if (value instanceof ArrayBuffer)
        return `ArrayBuffer(${new Uint8Array(value).join(' ')})`;
    if (ArrayBuffer.isView(value))
        return `${kind}(at ${value.byteOffset}, ${value.byteLength} bytes of ${describe(value.buffer, seen)})`;
    if (value instanceof Map)
        return `Map{${[...value].map(([key, entry]) => `${describe(key, seen)} => ${describe(entry, seen)}`).join(', ')}}`;
    if (value instanceof Set)
        return `Set{${[...value].map(entry => describe(entry, seen)).join(', ')}}`;
    if (Array.isArray(value))
        return `Array(${value.length})[${entries(value)}]`;
    if (['Number', 'String', 'Boolean', 'BigInt'].includes(kind))
        return `${kind}(${describe(value.valueOf())})`;
    return `${Object.getPrototypeOf(value) === Object.prototype ? '' : 'odd '}{${entries(value)}}`;
};

const sparse = [1, , 3];
sparse.label = 'holes';
const shared = { shared: true };
const cycle = { name: 'cycle' };
cycle.self = cycle;
const loop = [];
loop.push(loop, { back: loop });
const map = new Map([['one', 1]]);
map.set(map, 'itself');
const bytes = new Uint8Array([1, 2, 3, 4, 5, 6]).buffer;
class Point {
    constructor() {
        this.x = 1;
    }
}
const named = new Error('renamed');
named.name = 'MyError';
const table = [
    ['numbers', [0, -0, 1.5, NaN, Infinity, -Infinity]],
    ['primitives', ['text', '', true, false, null, undefined, 12345678901234567890n]],
    ['wrappers', [Object(2), Object('s'), Object(false), Object(5n)]],
    ['date and pattern', [new Date(86400000), new RegExp('a+b', 'gi')]],
    ['sparse array', sparse],
    ['nested', { list: [{ a: 1 }, [2, [3]]], text: 'ü, ☃ and \u0000' }],
    ['map and set', [new Map([[1, 'one'], [{ k: 1 }, [2]]]), new Set([1, 'two', 1])]],
    ['errors', [new TypeError('bad'), new RangeError('far'), named, new Error()]],
    ['buffers', [bytes, new Uint16Array(bytes, 2, 2), new DataView(bytes, 1, 3), new ArrayBuffer(0)]],
    ['shared', { a: shared, b: shared, c: [shared] }],
    ['cycles', [cycle, loop, map]],
    ['class instance', new Point()],
];

const left = new BroadcastChannel('table');
const right = new BroadcastChannel('table');
left.onmessage = event => console.log('left heard', describe(event.data));
right.addEventListener('message', event => {
    const [label, value] = event.data;
    console.log(label, describe(value));
    if (label === table[table.length - 1][0])
        right.postMessage('thanks');
});
for (const entry of table)
    left.postMessage(entry);
console.log('posted', table.length, right.name, String(right));
