// Blob and File: immutable bytes with a type, made of strings (as UTF-8), buffers, views and other
// Blobs; and URL.createObjectURL and revokeObjectURL, which store a Blob's bytes in the runtime's blob
// store through the native side.
{
    // The classes and their helpers, made at the first touch of one of the globals or helpers.
    internal.blob = internal.once(() => {
        const { bytesOf, utf8Of, joinBytes, TextDecoder } = internal.encoding();
        const native = internal.native;
        // Past these a Blob is refused rather than built: a widget has no use for more.
        const maximumParts = 1 << 20;
        const maximumSize = 2 ** 31 - 1;

        // Blob to {bytes (never handed out), type}.
        const blobs = internal.privateStates();
        const stateOf = blobs.of;
        const isBlob = blobs.has;
        const blobBytes = blob => stateOf(blob).bytes;

        // A type in printable ASCII, lower-cased; anything else is "".
        const normalizedType = type => (/^[\x20-\x7e]*$/.test(type) ? type.toLowerCase() : '');
        const optionsOf = (options, name) => {
            if (options === undefined || options === null)
                return {};
            if (typeof options !== 'object' && typeof options !== 'function')
                throw new TypeError(`${name}: the options must be an object`);
            return options;
        };

        const textOfPart = (part, nativeEndings) => {
            const text = String(part);
            return nativeEndings ? text.replace(/\r\n?/g, '\n') : text;
        };
        const bytesOfParts = (parts, nativeEndings, name) => {
            if (parts === undefined)
                return new Uint8Array(0);
            if (parts === null || (typeof parts !== 'object' && typeof parts !== 'function') ||
                typeof parts[Symbol.iterator] !== 'function')
                throw new TypeError(`${name}: the parts must be a sequence`);
            if (Array.isArray(parts) && parts.length > maximumParts)
                throw new RangeError(`${name}: too many parts`);
            const pieces = [];
            let size = 0;
            const add = bytes => {
                size += bytes.length;
                if (size > maximumSize)
                    throw new RangeError(`${name}: the parts are too large`);
                pieces.push(bytes);
            };
            // Strings in a row are encoded together.
            let text = '';
            const addText = () => {
                if (text)
                    add(utf8Of(text));
                text = '';
            };
            let count = 0;
            for (const part of parts) {
                if (++count > maximumParts)
                    throw new RangeError(`${name}: too many parts`);
                if (isBlob(part) || part instanceof ArrayBuffer || ArrayBuffer.isView(part)) {
                    addText();
                    add(isBlob(part) ? stateOf(part).bytes : bytesOf(part).slice());
                } else {
                    text += textOfPart(part, nativeEndings);
                    if (text.length > maximumSize)
                        throw new RangeError(`${name}: the parts are too large`);
                }
            }
            addText();
            return joinBytes(pieces, size);
        };

        // An index of slice: negative counts from the end; clamped to [0, size].
        const relativeIndex = (value, size, fallback) => {
            if (value === undefined)
                return fallback;
            const number = Math.trunc(Number(value)) || 0;
            return number < 0 ? Math.max(size + number, 0) : Math.min(number, size);
        };
        const copyOf = bytes => bytes.slice();
        const chunkSize = 65536;

        class Blob {
            constructor(blobParts = undefined, options = undefined) {
                const settings = optionsOf(options, 'Blob');
                const endings = settings.endings === undefined ? 'transparent' : String(settings.endings);
                if (endings !== 'transparent' && endings !== 'native')
                    throw new TypeError(`Blob: "${endings}" is not a valid value for endings`);
                const type = settings.type === undefined ? '' : normalizedType(String(settings.type));
                blobs.set(this, { bytes: bytesOfParts(blobParts, endings === 'native', new.target.name), type });
            }
            get size() {
                return stateOf(this).bytes.length;
            }
            get type() {
                return stateOf(this).type;
            }
            slice(start = undefined, end = undefined, contentType = undefined) {
                const bytes = stateOf(this).bytes;
                const from = relativeIndex(start, bytes.length, 0);
                const to = relativeIndex(end, bytes.length, bytes.length);
                const slice = new Blob();
                blobs.set(slice, {
                    bytes: bytes.subarray(from, Math.max(from, to)),
                    type: contentType === undefined ? '' : normalizedType(String(contentType)),
                });
                return slice;
            }
            text() {
                return this.bytes().then(bytes => new TextDecoder().decode(bytes));
            }
            arrayBuffer() {
                return this.bytes().then(bytes => bytes.buffer);
            }
            bytes() {
                try {
                    return Promise.resolve(copyOf(stateOf(this).bytes));
                } catch (error) {
                    return Promise.reject(error);
                }
            }
            stream() {
                const bytes = stateOf(this).bytes;
                let offset = 0;
                return new internal.streams.ReadableStream({
                    type: 'bytes',
                    pull(controller) {
                        if (offset >= bytes.length) {
                            controller.close();
                            return;
                        }
                        controller.enqueue(copyOf(bytes.subarray(offset, offset + chunkSize)));
                        offset += chunkSize;
                    },
                });
            }
        }

        const files = internal.privateStates();
        const fileOf = files.of;

        class File extends Blob {
            constructor(fileBits, fileName, options = undefined) {
                if (arguments.length < 2)
                    throw new TypeError(`File: 2 arguments required, but only ${arguments.length} present`);
                super(fileBits, options);
                const settings = optionsOf(options, 'File');
                const lastModified = settings.lastModified === undefined ? Date.now() : Math.trunc(Number(settings.lastModified)) || 0;
                files.set(this, { name: String(fileName), lastModified });
            }
            get name() {
                return fileOf(this).name;
            }
            get lastModified() {
                return fileOf(this).lastModified;
            }
        }

        for (const [constructor, tag] of [[Blob, 'Blob'], [File, 'File']])
            Object.defineProperty(constructor.prototype, Symbol.toStringTag, { value: tag, configurable: true });
        const isFile = files.has;

        // Given to URL when its code runs.
        const addObjectURLMethods = URL => {
            const methods = {
                createObjectURL(blob) {
                    if (!isBlob(blob))
                        throw new TypeError('URL.createObjectURL: the argument must be a Blob');
                    const state = stateOf(blob);
                    return native.createObjectURL(state.bytes, state.type);
                },
                revokeObjectURL(url) {
                    native.revokeObjectURL(String(url));
                },
            };
            for (const name of Object.keys(methods))
                Object.defineProperty(URL, name, { value: methods[name], writable: true, configurable: true });
        };

        return { Blob, File, isBlob, isFile, blobBytes, addObjectURLMethods };
    });
    internal.addObjectURLMethods = URL => internal.blob().addObjectURLMethods(URL);
    internal.defineLazyGlobals(['Blob', 'File'], internal.blob);
}
