// Blob and File: parts of every kind, types, sizes, slices and the ways to read them, and the errors
// of bad input.
const log = (...args) => console.log(...args);
const attempt = (name, action) => {
    try {
        log(name, action());
    } catch (error) {
        log(name, error.name, error.message);
    }
};

const inner = new Blob(['in']);
const blob = new Blob(['ab', new Uint8Array([0x63, 0x64]), new Uint16Array([0x6665]).buffer,
                       new DataView(new Uint8Array([0x67, 0x68]).buffer, 1), inner, 'é'], {type: 'Text/Plain'});
log('blob', blob.size, blob.type, String(blob), blob instanceof Blob);
log('weird type', JSON.stringify(new Blob([], {type: 'tëxt'}).type), new Blob().size);
log('endings', JSON.stringify([new Blob(['a\r\nb\rc'], {endings: 'native'}).size, new Blob(['a\r\nb']).size]));
attempt('bad endings', () => new Blob([], {endings: 'unix'}));

const slices = [[1, 3], [-3], [-100, 2], [2, 1], [0, 2 ** 53], [2 ** 53], [NaN, -(2 ** 53)], [1.9, 3.9]];
Promise.all(slices.map(([start, end]) => blob.slice(start, end).text()))
    .then(texts => log('slices', JSON.stringify(texts)));
log('slice type', JSON.stringify(blob.slice(0, 1).type), blob.slice(0, 1, 'A/B').type);

blob.text().then(text => log('text', text));
blob.arrayBuffer().then(buffer => log('arrayBuffer', buffer.byteLength, new Uint8Array(buffer)[4]));
blob.bytes().then(bytes => log('bytes', bytes.constructor.name, bytes.length));
new Blob(['stream me']).stream().getReader().read().then(({value, done}) =>
    log('stream', done, value.constructor.name, new TextDecoder().decode(value)));

const file = new File(['x', inner], 'notes.txt', {type: 'text/plain', lastModified: 42});
log('file', file.name, file.size, file.type, file.lastModified, file instanceof Blob, String(file));
log('file now', typeof new File([], 'a').lastModified, new File([], 'a').lastModified > 0);
log('file slice', file.slice(1) instanceof File, file.slice(1).size);

attempt('no file name', () => new File([]));
attempt('parts not a sequence', () => new Blob('abc'));
attempt('absurd part count', () => new Blob(new Array(2 ** 32 - 1)));
attempt('foreign getter', () => Object.getOwnPropertyDescriptor(Blob.prototype, 'size').get.call({}));
