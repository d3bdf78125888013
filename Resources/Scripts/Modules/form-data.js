// FormData: an ordered list of entries whose values are strings or Files. Beside it, the body forms
// that fetch and XMLHttpRequest use: a writer of multipart/form-data with a random boundary, and a
// reader of multipart/form-data and application/x-www-form-urlencoded bodies for formData().
{
    // The class and the body forms, made at the first touch of the global or the body forms.
    internal.formData = internal.once(() => {
        const { isBlob, isFile, blobBytes, File } = internal.blob();
        const { utf8Of, TextDecoder } = internal.encoding();
        const lists = internal.privateStates();
        const listOf = lists.of;
        const needs = (name, count, present) => {
            if (present < count)
                throw new TypeError(`FormData.${name}: ${count} arguments required, but only ${present} present`);
        };
        // The value of an entry: a string, or a File (a Blob becomes one named "blob" unless named).
        const entryValue = (value, fileName, present) => {
            if (!isBlob(value)) {
                if (present > 2)
                    throw new TypeError('FormData: a file name needs a Blob value');
                return String(value);
            }
            if (isFile(value) && fileName === undefined)
                return value;
            const name = fileName !== undefined ? String(fileName) : isFile(value) ? value.name : 'blob';
            const options = { type: value.type };
            if (isFile(value))
                options.lastModified = value.lastModified;
            return new File([value], name, options);
        };

        class FormData {
            constructor(form = undefined) {
                if (form !== undefined)
                    throw new TypeError('FormData: there are no forms to read');
                lists.set(this, []);
            }
            append(name, value, fileName = undefined) {
                needs('append', 2, arguments.length);
                listOf(this).push([String(name), entryValue(value, fileName, arguments.length)]);
            }
            set(name, value, fileName = undefined) {
                needs('set', 2, arguments.length);
                const list = listOf(this);
                const entry = [String(name), entryValue(value, fileName, arguments.length)];
                const first = list.findIndex(([key]) => key === entry[0]);
                if (first < 0) {
                    list.push(entry);
                    return;
                }
                list[first] = entry;
                for (let index = list.length - 1; index > first; --index)
                    if (list[index][0] === entry[0])
                        list.splice(index, 1);
            }
            get(name) {
                needs('get', 1, arguments.length);
                const entry = listOf(this).find(([key]) => key === String(name));
                return entry ? entry[1] : null;
            }
            getAll(name) {
                needs('getAll', 1, arguments.length);
                return listOf(this).filter(([key]) => key === String(name)).map(([, value]) => value);
            }
            has(name) {
                needs('has', 1, arguments.length);
                return listOf(this).some(([key]) => key === String(name));
            }
            delete(name) {
                needs('delete', 1, arguments.length);
                const list = listOf(this);
                const key = String(name);
                for (let index = list.length - 1; index >= 0; --index)
                    if (list[index][0] === key)
                        list.splice(index, 1);
            }
            forEach(callback, thisArg = undefined) {
                if (typeof callback !== 'function')
                    throw new TypeError('FormData.forEach: the callback must be a function');
                const list = listOf(this);
                for (let index = 0; index < list.length; ++index)
                    callback.call(thisArg, list[index][1], list[index][0], this);
            }
            *entries() {
                const list = listOf(this);
                for (let index = 0; index < list.length; ++index)
                    yield [list[index][0], list[index][1]];
            }
            *keys() {
                for (const [name] of this.entries())
                    yield name;
            }
            *values() {
                for (const [, value] of this.entries())
                    yield value;
            }
            [Symbol.iterator]() {
                return this.entries();
            }
        }
        Object.defineProperty(FormData.prototype, Symbol.toStringTag, { value: 'FormData', configurable: true });

        // multipart/form-data

        const boundaryCharacters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789';
        const randomBoundary = () => {
            let boundary = '----VeltoFormBoundary';
            for (let index = 0; index < 16; ++index)
                boundary += boundaryCharacters[Math.floor(Math.random() * boundaryCharacters.length)];
            return boundary;
        };
        const escapeName = text => text.replace(/\n/g, '%0A').replace(/\r/g, '%0D').replace(/"/g, '%22');
        const crlfLines = text => text.replace(/\r\n|\r|\n/g, '\r\n');
        const join = pieces => {
            const joined = new Uint8Array(pieces.reduce((size, piece) => size + piece.length, 0));
            let offset = 0;
            for (const piece of pieces) {
                joined.set(piece, offset);
                offset += piece.length;
            }
            return joined;
        };

        // {bytes, type} of the entries as a multipart/form-data body.
        const multipartBody = formData => {
            const boundary = randomBoundary();
            const pieces = [];
            for (const [name, value] of listOf(formData)) {
                let head = `--${boundary}\r\nContent-Disposition: form-data; name="${escapeName(crlfLines(name))}"`;
                if (typeof value === 'string') {
                    pieces.push(utf8Of(`${head}\r\n\r\n`), utf8Of(crlfLines(value)), utf8Of('\r\n'));
                    continue;
                }
                head += `; filename="${escapeName(value.name)}"\r\nContent-Type: ${value.type || 'application/octet-stream'}`;
                pieces.push(utf8Of(`${head}\r\n\r\n`), blobBytes(value), utf8Of('\r\n'));
            }
            pieces.push(utf8Of(`--${boundary}--\r\n`));
            return { bytes: join(pieces), type: `multipart/form-data; boundary=${boundary}` };
        };

        const indexOfBytes = (bytes, pattern, from) => {
            for (let index = bytes.indexOf(pattern[0], from); index >= 0 && index + pattern.length <= bytes.length;
                 index = bytes.indexOf(pattern[0], index + 1)) {
                let at = 1;
                while (at < pattern.length && bytes[index + at] === pattern[at])
                    ++at;
                if (at === pattern.length)
                    return index;
            }
            return -1;
        };
        const utf8Text = bytes => new TextDecoder().decode(bytes);
        const unescapeName = text => text.replace(/%0A/g, '\n').replace(/%0D/g, '\r').replace(/%22/g, '"');
        // The value of a parameter of a header field ("name", "filename", "boundary"), quoted or not.
        const parameterOf = (header, name) => {
            const match = new RegExp(`;\\s*${name}=(?:"([^"]*)"|([^;\\s]*))`, 'i').exec(header);
            return match ? (match[1] !== undefined ? match[1] : match[2]) : null;
        };
        const malformed = () => new TypeError('formData: the body is not valid multipart/form-data');

        const readMultipart = (bytes, boundary) => {
            const formData = new FormData();
            const delimiter = utf8Of(`--${boundary}`);
            const headEnd = utf8Of('\r\n\r\n');
            let at = indexOfBytes(bytes, delimiter, 0);
            if (at < 0)
                throw malformed();
            for (;;) {
                at += delimiter.length;
                if (bytes[at] === 0x2d && bytes[at + 1] === 0x2d)
                    return formData;
                if (bytes[at] !== 0x0d || bytes[at + 1] !== 0x0a)
                    throw malformed();
                const headStart = at + 2;
                const bodyStart = indexOfBytes(bytes, headEnd, headStart);
                if (bodyStart < 0)
                    throw malformed();
                const next = indexOfBytes(bytes, utf8Of(`\r\n--${boundary}`), bodyStart + 4);
                if (next < 0)
                    throw malformed();
                const head = utf8Text(bytes.subarray(headStart, bodyStart));
                const body = bytes.subarray(bodyStart + 4, next);
                const disposition = /^content-disposition:(.*)$/im.exec(head);
                const name = disposition && parameterOf(disposition[1], 'name');
                if (name === null)
                    throw malformed();
                const fileName = parameterOf(disposition[1], 'filename');
                if (fileName === null) {
                    formData.append(unescapeName(name), utf8Text(body));
                } else {
                    const type = /^content-type:\s*(.*?)\s*$/im.exec(head);
                    formData.append(unescapeName(name),
                                    new File([body], unescapeName(fileName), { type: type ? type[1] : '' }));
                }
                at = next + 2;
            }
        };

        // The text of a urlencoded name or value: "+" is a space, "%" and two hex digits a byte.
        const formDecode = bytes => {
            const decoded = new Uint8Array(bytes.length);
            let length = 0;
            const hex = code => (code >= 0x30 && code <= 0x39) || (code >= 0x41 && code <= 0x46) || (code >= 0x61 && code <= 0x66);
            for (let index = 0; index < bytes.length; ++index) {
                const byte = bytes[index];
                if (byte === 0x25 && hex(bytes[index + 1]) && hex(bytes[index + 2])) {
                    decoded[length++] = parseInt(String.fromCharCode(bytes[index + 1], bytes[index + 2]), 16);
                    index += 2;
                } else {
                    decoded[length++] = byte === 0x2b ? 0x20 : byte;
                }
            }
            return utf8Text(decoded.subarray(0, length));
        };
        const readURLEncoded = bytes => {
            const formData = new FormData();
            for (let start = 0; start < bytes.length;) {
                let end = bytes.indexOf(0x26, start);
                if (end < 0)
                    end = bytes.length;
                const piece = bytes.subarray(start, end);
                start = end + 1;
                if (!piece.length)
                    continue;
                const equals = piece.indexOf(0x3d);
                formData.append(formDecode(equals < 0 ? piece : piece.subarray(0, equals)),
                                formDecode(equals < 0 ? piece.subarray(piece.length) : piece.subarray(equals + 1)));
            }
            return formData;
        };

        // The entries of a body by its Content-Type; a TypeError when it is neither form type.
        const readFormData = (bytes, contentType) => {
            const type = String(contentType || '').split(';')[0].trim().toLowerCase();
            if (type === 'multipart/form-data') {
                const boundary = parameterOf(String(contentType), 'boundary');
                if (!boundary)
                    throw new TypeError('formData: the multipart/form-data body has no boundary');
                return readMultipart(bytes, boundary);
            }
            if (type === 'application/x-www-form-urlencoded')
                return readURLEncoded(bytes);
            throw new TypeError(`formData: the body's type "${type}" is not a form`);
        };

        return { FormData, multipartBody, readFormData };
    });
    internal.defineLazyGlobals(['FormData'], internal.formData);
}
