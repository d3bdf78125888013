// TextEncoder and TextDecoder on the native encode and decode, and their stream forms over
// TransformStream. The decoder reads the Encoding Standard's labels and hands the native side a
// character-set name it knows; in stream mode it keeps an incomplete UTF-8 or UTF-16 sequence at the
// end of a chunk for the next call.
{
    // The classes and their helpers, made at the first touch of one of the globals or helpers.
    internal.encoding = internal.once(() => {
        const native = internal.native;
        const bytesOf = (value, name) => {
            if (value instanceof ArrayBuffer)
                return new Uint8Array(value);
            if (ArrayBuffer.isView(value))
                return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
            throw new TypeError(`${name}: the argument must be an ArrayBuffer or a view of one`);
        };
        // Pieces of bytes as one array of their total size; a single piece is itself.
        const joinBytes = (pieces, size) => {
            if (pieces.length === 1 && pieces[0].length === size)
                return pieces[0];
            const joined = new Uint8Array(size);
            let offset = 0;
            for (const piece of pieces) {
                joined.set(piece, offset);
                offset += piece.length;
            }
            return joined;
        };
        const labelText = (label, name) => {
            if (typeof label === 'symbol')
                throw new TypeError(`${name}: the label must be a string`);
            return String(label);
        };

        // Each encoding's name, the name the native side knows it by (null: decoded here), and its labels.
        const table = [
            ['utf-8', 'UTF-8', 'unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf8 x-unicode20utf8'],
            ['ibm866', 'IBM866', '866 cp866 csibm866'],
            ['iso-8859-2', 'ISO-8859-2', 'csisolatin2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2'],
            ['iso-8859-3', 'ISO-8859-3', 'csisolatin3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3'],
            ['iso-8859-4', 'ISO-8859-4', 'csisolatin4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4'],
            ['iso-8859-5', 'ISO-8859-5', 'csisolatincyrillic cyrillic iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988'],
            ['iso-8859-6', 'ISO-8859-6', 'arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6-e ' +
                'iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987'],
            ['iso-8859-7', 'ISO-8859-7', 'csisolatingreek ecma-118 elot_928 greek greek8 iso-ir-126 iso8859-7 iso88597 ' +
                'iso_8859-7 iso_8859-7:1987 sun_eu_greek'],
            ['iso-8859-8', 'ISO-8859-8', 'csiso88598e csisolatinhebrew hebrew iso-8859-8-e iso-ir-138 iso8859-8 iso88598 ' +
                'iso_8859-8 iso_8859-8:1988 visual'],
            ['iso-8859-8-i', 'ISO-8859-8', 'csiso88598i logical'],
            ['iso-8859-10', 'ISO-8859-10', 'csisolatin6 iso-ir-157 iso8859-10 iso885910 l6 latin6'],
            ['iso-8859-13', 'ISO-8859-13', 'iso8859-13 iso885913'],
            ['iso-8859-14', 'ISO-8859-14', 'iso8859-14 iso885914'],
            ['iso-8859-15', 'ISO-8859-15', 'csisolatin9 iso8859-15 iso885915 iso_8859-15 l9'],
            ['iso-8859-16', 'ISO-8859-16', ''],
            ['koi8-r', 'KOI8-R', 'cskoi8r koi koi8 koi8_r'],
            ['koi8-u', 'KOI8-U', 'koi8-ru'],
            ['macintosh', 'MACINTOSH', 'csmacintosh mac x-mac-roman'],
            ['windows-874', 'WINDOWS-874', 'dos-874 iso-8859-11 iso8859-11 iso885911 tis-620'],
            ['windows-1250', 'WINDOWS-1250', 'cp1250 x-cp1250'],
            ['windows-1251', 'WINDOWS-1251', 'cp1251 x-cp1251'],
            ['windows-1252', 'WINDOWS-1252', 'ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 ' +
                'iso8859-1 iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii x-cp1252'],
            ['windows-1253', 'WINDOWS-1253', 'cp1253 x-cp1253'],
            ['windows-1254', 'WINDOWS-1254', 'cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 ' +
                'iso_8859-9:1989 l5 latin5 x-cp1254'],
            ['windows-1255', 'WINDOWS-1255', 'cp1255 x-cp1255'],
            ['windows-1256', 'WINDOWS-1256', 'cp1256 x-cp1256'],
            ['windows-1257', 'WINDOWS-1257', 'cp1257 x-cp1257'],
            ['windows-1258', 'WINDOWS-1258', 'cp1258 x-cp1258'],
            ['x-mac-cyrillic', 'MAC-CYRILLIC', 'x-mac-ukrainian'],
            ['gbk', 'GBK', 'chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 iso-ir-58 x-gbk'],
            ['gb18030', 'GB18030', ''],
            ['big5', 'BIG5-HKSCS', 'big5-hkscs cn-big5 csbig5 x-x-big5'],
            ['euc-jp', 'EUC-JP', 'cseucpkdfmtjapanese x-euc-jp'],
            ['iso-2022-jp', 'ISO-2022-JP', 'csiso2022jp'],
            ['shift_jis', 'SHIFT_JIS', 'csshiftjis ms932 ms_kanji shift-jis sjis windows-31j x-sjis'],
            ['euc-kr', 'CP949', 'cseuckr csksc56011987 iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 ' +
                'windows-949'],
            ['replacement', null, 'csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr'],
            ['utf-16be', 'UTF-16BE', 'unicodefffe'],
            ['utf-16le', 'UTF-16LE', 'csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16'],
            ['x-user-defined', null, ''],
        ];
        const encodings = new Map();
        for (const [name, nativeName, labels] of table) {
            const encoding = { name, nativeName };
            for (const label of [name, ...labels.split(' ')])
                if (label)
                    encodings.set(label, encoding);
        }
        // The encoding of a label (ASCII white space around it ignored, case too), or null.
        const encodingForLabel = label =>
            encodings.get(label.replace(/^[\t\n\f\r ]+|[\t\n\f\r ]+$/g, '').toLowerCase()) || null;

        // The text of complete bytes in the encoding; null when fatal and they do not decode.
        const decodeBytes = (bytes, encoding, fatal) => {
            if (encoding.name === 'x-user-defined') {
                let text = '';
                for (let start = 0; start < bytes.length; start += 8192) {
                    const codes = Array.from(bytes.subarray(start, start + 8192), byte => (byte < 0x80 ? byte : 0xf780 + byte - 0x80));
                    text += String.fromCharCode(...codes);
                }
                return text;
            }
            return bytes.length ? native.decode(bytes, encoding.nativeName, Boolean(fatal)) : '';
        };

        const byteOrderMarks = { 'utf-8': [0xef, 0xbb, 0xbf], 'utf-16le': [0xff, 0xfe], 'utf-16be': [0xfe, 0xff] };
        const startsWith = (bytes, prefix) => prefix.every((byte, index) => bytes[index] === byte);
        // How many bytes at the end start a sequence that the next chunk completes.
        const incompleteTail = (bytes, name) => {
            const length = bytes.length;
            if (name === 'utf-16le' || name === 'utf-16be') {
                const odd = length % 2;
                const last = length - odd - 2;
                if (last < 0)
                    return odd;
                const unit = name === 'utf-16le' ? bytes[last] | (bytes[last + 1] << 8) : (bytes[last] << 8) | bytes[last + 1];
                return odd + (unit >= 0xd800 && unit <= 0xdbff ? 2 : 0);
            }
            if (name !== 'utf-8')
                return 0;
            for (let index = length - 1; index >= Math.max(0, length - 3); --index) {
                const byte = bytes[index];
                if ((byte & 0xc0) === 0x80)
                    continue;
                if (byte < 0xc2 || byte > 0xf4)
                    return 0;
                const needed = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : 2;
                return length - index < needed ? length - index : 0;
            }
            return 0;
        };
        const concat = (first, second) => {
            const joined = new Uint8Array(first.length + second.length);
            joined.set(first);
            joined.set(second, first.length);
            return joined;
        };

        const decoders = internal.privateStates();
        const decoderOf = decoders.of;

        class TextDecoder {
            constructor(label = 'utf-8', options = undefined) {
                const text = labelText(label, 'TextDecoder');
                const encoding = encodingForLabel(text);
                if (!encoding || encoding.name === 'replacement')
                    throw new RangeError(`TextDecoder: the encoding "${text}" is not supported`);
                const settings = options === undefined || options === null ? {} : Object(options);
                decoders.set(this, {
                    encoding,
                    fatal: Boolean(settings.fatal),
                    ignoreBOM: Boolean(settings.ignoreBOM),
                    pending: new Uint8Array(0),
                    started: false,
                });
            }
            get encoding() {
                return decoderOf(this).encoding.name;
            }
            get fatal() {
                return decoderOf(this).fatal;
            }
            get ignoreBOM() {
                return decoderOf(this).ignoreBOM;
            }
            decode(input = undefined, options = undefined) {
                const state = decoderOf(this);
                const stream = Boolean(options !== undefined && options !== null && Object(options).stream);
                let bytes = input === undefined ? new Uint8Array(0) : bytesOf(input, 'TextDecoder.decode');
                if (state.pending.length)
                    bytes = concat(state.pending, bytes);
                state.pending = new Uint8Array(0);
                const mark = byteOrderMarks[state.encoding.name];
                if (!state.started && mark) {
                    if (stream && bytes.length < mark.length && startsWith(bytes, mark.slice(0, bytes.length))) {
                        state.pending = bytes.slice();
                        return '';
                    }
                    state.started = true;
                    if (!state.ignoreBOM && startsWith(bytes, mark))
                        bytes = bytes.subarray(mark.length);
                }
                const kept = stream ? incompleteTail(bytes, state.encoding.name) : 0;
                if (kept)
                    state.pending = bytes.slice(bytes.length - kept);
                if (!stream)
                    state.started = false;
                const text = decodeBytes(bytes.subarray(0, bytes.length - kept), state.encoding, state.fatal);
                if (text === null)
                    throw new TypeError(`TextDecoder: the data is not valid ${state.encoding.name}`);
                return text;
            }
        }

        // The UTF-8 form of a string's code points (a lone surrogate becomes U+FFFD) written into the
        // destination while whole characters fit.
        const encodeInto = (source, destination) => {
            let read = 0;
            let written = 0;
            const length = source.length;
            while (read < length) {
                let code = source.charCodeAt(read);
                let units = 1;
                if (code >= 0xd800 && code <= 0xdfff) {
                    const next = read + 1 < length ? source.charCodeAt(read + 1) : 0;
                    if (code <= 0xdbff && next >= 0xdc00 && next <= 0xdfff) {
                        code = 0x10000 + ((code - 0xd800) << 10) + (next - 0xdc00);
                        units = 2;
                    } else {
                        code = 0xfffd;
                    }
                }
                const size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
                if (written + size > destination.length)
                    break;
                if (size === 1) {
                    destination[written] = code;
                } else {
                    let shift = (size - 1) * 6;
                    destination[written] = ((0xf00 >> size) & 0xff) | (code >> shift);
                    for (let index = 1; index < size; ++index) {
                        shift -= 6;
                        destination[written + index] = 0x80 | ((code >> shift) & 0x3f);
                    }
                }
                written += size;
                read += units;
            }
            return { read, written };
        };
        const utf8Of = text => {
            const buffer = native.encode(text);
            return buffer ? new Uint8Array(buffer) : new Uint8Array(0);
        };

        class TextEncoder {
            get encoding() {
                return 'utf-8';
            }
            encode(input = '') {
                return utf8Of(String(input));
            }
            encodeInto(source, destination) {
                if (!(destination instanceof Uint8Array))
                    throw new TypeError('TextEncoder.encodeInto: the destination must be a Uint8Array');
                return encodeInto(String(source), destination);
            }
        }

        // The stream forms: a transform stream made at construction, whose two sides the object shows.
        const streamSides = (object, transformer) => {
            const stream = new internal.streams.TransformStream(transformer);
            Object.defineProperties(object, {
                readable: { value: stream.readable, enumerable: true },
                writable: { value: stream.writable, enumerable: true },
            });
        };

        class TextEncoderStream {
            constructor() {
                // A high surrogate that ends a chunk waits for the low one that may start the next.
                let pendingHigh = '';
                streamSides(this, {
                    transform(chunk, controller) {
                        let text = pendingHigh + String(chunk);
                        pendingHigh = '';
                        const last = text.charCodeAt(text.length - 1);
                        if (last >= 0xd800 && last <= 0xdbff) {
                            pendingHigh = text.slice(-1);
                            text = text.slice(0, -1);
                        }
                        if (text)
                            controller.enqueue(utf8Of(text));
                    },
                    flush(controller) {
                        if (pendingHigh)
                            controller.enqueue(utf8Of('\ufffd'));
                    },
                });
            }
            get encoding() {
                return 'utf-8';
            }
        }

        class TextDecoderStream {
            constructor(label = 'utf-8', options = undefined) {
                const decoder = new TextDecoder(label, options);
                Object.defineProperties(this, {
                    encoding: { value: decoder.encoding, enumerable: true },
                    fatal: { value: decoder.fatal, enumerable: true },
                    ignoreBOM: { value: decoder.ignoreBOM, enumerable: true },
                });
                streamSides(this, {
                    transform(chunk, controller) {
                        const text = decoder.decode(chunk, { stream: true });
                        if (text)
                            controller.enqueue(text);
                    },
                    flush(controller) {
                        const text = decoder.decode();
                        if (text)
                            controller.enqueue(text);
                    },
                });
            }
        }

        return { TextEncoder, TextDecoder, TextEncoderStream, TextDecoderStream, bytesOf, utf8Of, joinBytes, decodeBytes, encodingForLabel };
    });
    internal.defineLazyGlobals(['TextEncoder', 'TextDecoder', 'TextEncoderStream', 'TextDecoderStream'], internal.encoding);
}
