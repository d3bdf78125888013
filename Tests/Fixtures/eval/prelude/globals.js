// The globals that the core prelude leaves, and what Velto keeps of the Utils object.
const keys = [];
for (const key in Velto)
    keys.push(key);
console.log('Velto:', keys.sort().join(' '));
const { base64Encode, setTimeout: detachedSetTimeout } = Velto;
console.log('bound:', base64Encode(new Uint8Array([255]).buffer), typeof detachedSetTimeout(() => {}, 0));
console.log('globals:', ['queueMicrotask', 'btoa', 'atob', 'setTimeout', 'clearTimeout', 'setInterval', 'clearInterval']
    .map((name) => typeof globalThis[name]).join(' '));
console.log('self:', self === globalThis, 'Velto.setTimeout !== setTimeout:', Velto.setTimeout !== setTimeout);
console.log('applyNew:', Velto.applyNew(Date, [2020, 0, 1]).getFullYear(), Velto.applyNew(Date));
console.log('base64:', Velto.base64Encode(new Uint8Array([1, 2, 3]).buffer),
            new Uint8Array(Velto.base64Decode('AQID')).join());

const start = performance.now();
let later = start;
while (later === start)
    later = performance.now();
console.log('performance:', String(performance), typeof start, start >= 0, later > start,
            Math.abs(performance.timeOrigin - Date.now()) < 60000, performance.timeOrigin === performance.timeOrigin);
performance.timeOrigin = 0;
console.log('timeOrigin read-only:', performance.timeOrigin !== 0);

try {
    new VeltoCore.Performance();
} catch (error) {
    console.log('second Performance:', error.name, error.message);
}
try {
    new VeltoCore.Utils();
} catch (error) {
    console.log('second Utils:', error.name, error.message);
}
