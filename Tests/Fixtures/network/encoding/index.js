// TextEncoder and TextDecoder: labels and their names, fatal decoding, byte-order marks, stream mode
// across a split character, single-byte and UTF-16 encodings, bad labels and encodeInto's counts.
const log = (...args) => console.log(...args);
const bytes = (...values) => new Uint8Array(values);
const attempt = (name, action) => {
    try {
        log(name, action());
    } catch (error) {
        log(name, error.name, error.message);
    }
};

for (const label of ['utf-8', ' UTF8 ', 'latin1', 'ascii', 'utf-16', 'unicodeFFFE', 'sjis', 'koi8', 'gb2312', 'x-user-defined'])
    log('label', JSON.stringify(label), new TextDecoder(label).encoding);

const e = new TextEncoder();
log('encode', e.encoding, Array.from(e.encode('aé€😀')).join(','), e.encode().length);
log('decode', new TextDecoder().decode(e.encode('aé€😀')));
log('lossy', JSON.stringify(new TextDecoder().decode(bytes(0x61, 0xff, 0x62))));
attempt('fatal', () => new TextDecoder('utf-8', {fatal: true}).decode(bytes(0x61, 0xff)));
log('fatal flags', new TextDecoder('utf-8', {fatal: true}).fatal, new TextDecoder().ignoreBOM);

log('bom stripped', JSON.stringify(new TextDecoder().decode(bytes(0xef, 0xbb, 0xbf, 0x68, 0x69))));
log('bom kept', new TextDecoder('utf-8', {ignoreBOM: true}).decode(bytes(0xef, 0xbb, 0xbf, 0x68)).charCodeAt(0).toString(16));

const streaming = new TextDecoder();
const split = [streaming.decode(bytes(0x63, 0x61, 0x66, 0xc3), {stream: true}),
               streaming.decode(bytes(0xa9, 0x21), {stream: true}), streaming.decode()];
log('stream', JSON.stringify(split));
const unfinished = new TextDecoder();
log('stream end', JSON.stringify(unfinished.decode(bytes(0x61, 0xe2, 0x82), {stream: true}) + unfinished.decode()));
const utf16 = new TextDecoder('utf-16le');
log('stream utf-16le', JSON.stringify([utf16.decode(bytes(0xff, 0xfe, 0x3d, 0xd8), {stream: true}),
                                       utf16.decode(bytes(0x00, 0xde, 0x41), {stream: true}),
                                       utf16.decode(bytes(0x00))]));

log('windows-1252', new TextDecoder('latin1').decode(bytes(0x80, 0xe9, 0x9f)));
log('utf-16le', new TextDecoder('utf-16le').decode(bytes(0x68, 0x00, 0xe9, 0x00)));
log('utf-16be', new TextDecoder('utf-16be').decode(bytes(0xfe, 0xff, 0x00, 0x68, 0x00, 0xe9)));
log('koi8-r', new TextDecoder('koi8-r').decode(bytes(0xf0, 0xd2, 0xc9)));
log('x-user-defined', new TextDecoder('x-user-defined').decode(bytes(0x41, 0x80)).charCodeAt(1).toString(16));

attempt('unknown label', () => new TextDecoder('klingon'));
attempt('replacement label', () => new TextDecoder('iso-2022-kr'));
attempt('symbol label', () => new TextDecoder(Symbol('utf-8')));
attempt('object label', () => new TextDecoder({}));
attempt('not bytes', () => new TextDecoder().decode('text'));

const room = new Uint8Array(5);
log('encodeInto', JSON.stringify(e.encodeInto('aé€', room)), Array.from(room).join(','));
log('encodeInto pair', JSON.stringify(e.encodeInto('😀x', new Uint8Array(4))),
    JSON.stringify(e.encodeInto('😀', new Uint8Array(3))), JSON.stringify(e.encodeInto('\ud800', new Uint8Array(3))));
attempt('encodeInto target', () => e.encodeInto('a', []));

const pieces = [];
new ReadableStream({
    start(controller) {
        controller.enqueue(bytes(0x63, 0xc3));
        controller.enqueue(bytes(0xa9));
        controller.close();
    },
}).pipeThrough(new TextDecoderStream()).pipeThrough(new TextEncoderStream()).pipeThrough(new TextDecoderStream())
    .pipeTo(new WritableStream({write: chunk => pieces.push(chunk)}))
    .then(() => log('streams', JSON.stringify(pieces), new TextDecoderStream('latin1').encoding));
