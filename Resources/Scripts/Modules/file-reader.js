// FileReader: reads a Blob as an ArrayBuffer, text, a data: URL or a binary string in a later turn,
// with the progress events of the web. abort() ends a read under way; its result never arrives.
{
    // The class, made at the first touch of the global.
    internal.fileReader = internal.once(() => {
        const { encodingForLabel, decodeBytes } = internal.encoding();
        const { isBlob, blobBytes } = internal.blob();
        const { ProgressEvent } = internal.events();
        const EMPTY = 0;
        const LOADING = 1;
        const DONE = 2;
        // Reader to {readyState, result, error, read: the number of the read under way, or of the last}.
        const readers = internal.privateStates();
        const stateOf = readers.of;

        const binaryStringOf = bytes => {
            let text = '';
            for (let start = 0; start < bytes.length; start += 8192)
                text += String.fromCharCode(...bytes.subarray(start, start + 8192));
            return text;
        };
        // Text by the label given, else the charset of the Blob's type, else UTF-8; a byte-order mark
        // chooses UTF-8 or UTF-16 itself.
        const textOf = (bytes, label, type) => {
            const charset = /;\s*charset="?([^";\s]+)/i.exec(type);
            let encoding = (label !== undefined && encodingForLabel(String(label))) ||
                (charset && encodingForLabel(charset[1])) || encodingForLabel('utf-8');
            for (const [name, mark] of [['utf-8', [0xef, 0xbb, 0xbf]], ['utf-16be', [0xfe, 0xff]], ['utf-16le', [0xff, 0xfe]]]) {
                if (mark.every((byte, index) => bytes[index] === byte)) {
                    encoding = encodingForLabel(name);
                    bytes = bytes.subarray(mark.length);
                    break;
                }
            }
            if (encoding.name === 'replacement')
                encoding = encodingForLabel('utf-8');
            return decodeBytes(bytes, encoding, false);
        };
        const resultOf = (kind, bytes, blob, label) => {
            switch (kind) {
            case 'ArrayBuffer':
                return bytes.slice().buffer;
            case 'Text':
                return textOf(bytes, label, blob.type);
            case 'DataURL':
                return `data:${blob.type || 'application/octet-stream'};base64,${btoa(binaryStringOf(bytes))}`;
            default:
                return binaryStringOf(bytes);
            }
        };

        class FileReader extends EventTarget {
            constructor() {
                super();
                readers.set(this, { readyState: EMPTY, result: null, error: null, read: 0 });
            }
            get readyState() {
                return stateOf(this).readyState;
            }
            get result() {
                return stateOf(this).result;
            }
            get error() {
                return stateOf(this).error;
            }
            readAsArrayBuffer(blob) {
                read(this, 'ArrayBuffer', blob, arguments.length);
            }
            readAsBinaryString(blob) {
                read(this, 'BinaryString', blob, arguments.length);
            }
            readAsDataURL(blob) {
                read(this, 'DataURL', blob, arguments.length);
            }
            readAsText(blob, encoding = undefined) {
                read(this, 'Text', blob, arguments.length, encoding);
            }
            abort() {
                const state = stateOf(this);
                if (state.readyState === EMPTY || state.readyState === DONE) {
                    state.result = null;
                    return;
                }
                state.readyState = DONE;
                state.result = null;
                ++state.read;
                fire(this, 'abort', 0, 0);
                if (state.readyState !== LOADING)
                    fire(this, 'loadend', 0, 0);
            }
        }
        for (const [name, value] of [['EMPTY', EMPTY], ['LOADING', LOADING], ['DONE', DONE]]) {
            Object.defineProperty(FileReader, name, { value, enumerable: true });
            Object.defineProperty(FileReader.prototype, name, { value, enumerable: true });
        }
        Object.defineProperty(FileReader.prototype, Symbol.toStringTag, { value: 'FileReader', configurable: true });
        EventTarget.defineHandlers(FileReader.prototype, ['loadstart', 'progress', 'load', 'abort', 'error', 'loadend']);

        const fire = (reader, type, loaded, total) =>
            reader.dispatchEvent(new ProgressEvent(type, { lengthComputable: total > 0, loaded, total }));

        function read(reader, kind, blob, present, label) {
            const state = stateOf(reader);
            if (present < 1)
                throw new TypeError(`FileReader.readAs${kind}: 1 argument required, but only 0 present`);
            if (!isBlob(blob))
                throw new TypeError(`FileReader.readAs${kind}: the argument must be a Blob`);
            if (state.readyState === LOADING)
                throw new DOMException('The reader is already reading', 'InvalidStateError');
            state.readyState = LOADING;
            state.result = null;
            state.error = null;
            const read = ++state.read;
            const bytes = blobBytes(blob);
            const size = bytes.length;
            const current = () => state.read === read;
            // A later turn, as the web reads a Blob; each step stops when abort() ended this read.
            setTimeout(() => {
                if (!current())
                    return;
                fire(reader, 'loadstart', 0, size);
                if (!current())
                    return;
                fire(reader, 'progress', size, size);
                if (!current())
                    return;
                let result;
                try {
                    result = resultOf(kind, bytes, blob, label);
                } catch (error) {
                    state.readyState = DONE;
                    state.error = error instanceof DOMException ? error : new DOMException(String(error), 'NotReadableError');
                    fire(reader, 'error', 0, size);
                    if (current() && state.readyState !== LOADING)
                        fire(reader, 'loadend', 0, size);
                    return;
                }
                state.readyState = DONE;
                state.result = result;
                fire(reader, 'load', size, size);
                if (current() && state.readyState !== LOADING)
                    fire(reader, 'loadend', size, size);
            }, 0);
        }

        return { FileReader };
    });
    internal.defineLazyGlobals(['FileReader'], internal.fileReader);
}
