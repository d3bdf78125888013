// fetch, Headers, Request and Response over the native request road: the URL goes to the native side
// as written (it parses and checks it), the answer comes back to a listener as response, data and
// complete. Beside them, what XMLHttpRequest shares with fetch: header names and values, the body
// forms a request may send, and reading a body whole within its limit.
{
    // The classes and their helpers, made at the first touch of one of the globals or helpers.
    internal.fetch = internal.once(() => {
        const native = internal.native;
        const { bytesOf, utf8Of, joinBytes: joinChunks, TextDecoder } = internal.encoding();
        const { isBlob, blobBytes, Blob } = internal.blob();
        const formData = internal.formData;
        const events = internal.events;

        // A body read whole stops here: an endless one would otherwise take the content host's memory.
        const maximumWholeBody = 256 * 1024 * 1024;
        const tooLarge = () => new TypeError('The response body is larger than 256 MB');
        // What a response's stream may hold before the native side is paused.
        const streamHighWaterMark = 1024 * 1024;

        // Names and values

        const tokenPattern = /^[!#$%&'*+\-.^_`|~0-9A-Za-z]+$/;
        const normalizedValue = value => String(value).replace(/^[\t\n\r ]+|[\t\n\r ]+$/g, '');
        const checkedName = (name, where) => {
            const text = String(name);
            if (!tokenPattern.test(text))
                throw new TypeError(`${where}: "${text}" is not a valid header name`);
            return text;
        };
        const checkedValue = (value, where) => {
            const text = normalizedValue(value);
            if (/[\0\r\n]/.test(text) || /[^\0-\xff]/.test(text))
                throw new TypeError(`${where}: "${text}" is not a valid header value`);
            return text;
        };
        const forbiddenRequestNames = new Set([
            'accept-charset', 'accept-encoding', 'access-control-request-headers', 'access-control-request-method',
            'connection', 'content-length', 'cookie', 'cookie2', 'date', 'dnt', 'expect', 'host', 'keep-alive',
            'origin', 'referer', 'set-cookie', 'te', 'trailer', 'transfer-encoding', 'upgrade', 'via',
        ]);
        // Fields the transfer sets itself: a script's would break its framing.
        const isForbiddenRequestName = name => forbiddenRequestNames.has(name) || name.startsWith('proxy-') || name.startsWith('sec-');

        // [lower-case name, value] pairs sorted by name, each name once with its values joined by ", ".
        const sortAndCombine = pairs => {
            const combined = new Map();
            for (const [name, value] of pairs)
                combined.set(name, combined.has(name) ? `${combined.get(name)}, ${value}` : value);
            return [...combined].sort(([a], [b]) => (a < b ? -1 : a > b ? 1 : 0));
        };

        const standardMethods = new Set(['DELETE', 'GET', 'HEAD', 'OPTIONS', 'POST', 'PUT']);
        // A method as sent: the standard ones upper-cased; null for one that may not be sent.
        const normalizedMethod = (method, where) => {
            const text = String(method);
            if (!tokenPattern.test(text))
                throw new TypeError(`${where}: "${text}" is not a valid HTTP method`);
            const upper = text.toUpperCase();
            if (upper === 'CONNECT' || upper === 'TRACE' || upper === 'TRACK')
                return null;
            return standardMethods.has(upper) ? upper : text;
        };

        // Headers

        // Headers to {list of [lower-case name, value], guard}.
        const headerLists = internal.privateStates();
        const listOf = object => headerLists.of(object);

        const appendHeader = (state, name, value, where) => {
            const key = checkedName(name, where).toLowerCase();
            const text = checkedValue(value, where);
            if (state.guard === 'immutable')
                throw new TypeError(`${where}: the headers are immutable`);
            if (state.guard === 'request' && isForbiddenRequestName(key))
                return;
            state.list.push([key, text]);
        };
        const fillHeaders = (state, init, where) => {
            if (init === undefined || init === null)
                return;
            if (typeof init !== 'object' && typeof init !== 'function')
                throw new TypeError(`${where}: the headers must be an object`);
            if (headerLists.has(init)) {
                for (const [name, value] of listOf(init).list.slice())
                    appendHeader(state, name, value, where);
            } else if (typeof init[Symbol.iterator] === 'function') {
                for (const pair of init) {
                    const entry = typeof pair === 'string' ? null : Array.from(pair);
                    if (!entry || entry.length !== 2)
                        throw new TypeError(`${where}: each header must be a [name, value] pair`);
                    appendHeader(state, entry[0], entry[1], where);
                }
            } else {
                for (const name of Reflect.ownKeys(init))
                    if (typeof name === 'string' && Object.prototype.propertyIsEnumerable.call(init, name))
                        appendHeader(state, name, init[name], where);
            }
        };
        const makeHeaders = (guard, init, where) => {
            const headers = new Headers();
            const state = listOf(headers);
            // Immutable headers are filled before they become so; the others under their guard.
            if (guard !== 'immutable')
                state.guard = guard;
            fillHeaders(state, init, where);
            state.guard = guard;
            return headers;
        };
        // Headers as the native side reads them: [name, value] pairs, each name once.
        const headerPairs = headers => sortAndCombine(listOf(headers).list);
        const headerValue = (headers, name) => {
            const key = String(name).toLowerCase();
            const values = listOf(headers).list.filter(([entry]) => entry === key).map(([, value]) => value);
            return values.length ? values.join(', ') : null;
        };

        class Headers {
            constructor(init = undefined) {
                headerLists.set(this, { list: [], guard: 'none' });
                fillHeaders(listOf(this), init, 'Headers');
            }
            append(name, value) {
                appendHeader(listOf(this), name, value, 'Headers.append');
            }
            delete(name) {
                const state = listOf(this);
                const key = checkedName(name, 'Headers.delete').toLowerCase();
                if (state.guard === 'immutable')
                    throw new TypeError('Headers.delete: the headers are immutable');
                if (state.guard === 'request' && isForbiddenRequestName(key))
                    return;
                state.list = state.list.filter(([entry]) => entry !== key);
            }
            get(name) {
                return headerValue(this, checkedName(name, 'Headers.get'));
            }
            getSetCookie() {
                return listOf(this).list.filter(([name]) => name === 'set-cookie').map(([, value]) => value);
            }
            has(name) {
                const key = checkedName(name, 'Headers.has').toLowerCase();
                return listOf(this).list.some(([entry]) => entry === key);
            }
            set(name, value) {
                const state = listOf(this);
                const key = checkedName(name, 'Headers.set').toLowerCase();
                const text = checkedValue(value, 'Headers.set');
                if (state.guard === 'immutable')
                    throw new TypeError('Headers.set: the headers are immutable');
                if (state.guard === 'request' && isForbiddenRequestName(key))
                    return;
                const first = state.list.findIndex(([entry]) => entry === key);
                if (first < 0) {
                    state.list.push([key, text]);
                    return;
                }
                state.list = state.list.filter(([entry], index) => entry !== key || index === first);
                state.list[first] = [key, text];
            }
            forEach(callback, thisArg = undefined) {
                if (typeof callback !== 'function')
                    throw new TypeError('Headers.forEach: the callback must be a function');
                for (const [name, value] of this)
                    callback.call(thisArg, value, name, this);
            }
            *entries() {
                // Each Set-Cookie field stands alone, in its place in the order; the others are combined.
                const list = listOf(this).list;
                const others = sortAndCombine(list.filter(([name]) => name !== 'set-cookie'));
                const after = others.findIndex(([name]) => name > 'set-cookie');
                const split = after < 0 ? others.length : after;
                yield* others.slice(0, split);
                yield* list.filter(([name]) => name === 'set-cookie').map(([name, value]) => [name, value]);
                yield* others.slice(split);
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

        // Bodies

        const textType = 'text/plain;charset=UTF-8';
        const isURLSearchParams = value => Object.prototype.toString.call(value) === '[object URLSearchParams]';
        // Any readable stream, without making the stream classes for a widget that has none.
        const isReadableStream = value =>
            Object.prototype.toString.call(value) === '[object ReadableStream]' && typeof value.getReader === 'function';
        // A body to send or hold: {bytes} or {stream}, with the Content-Type it implies (null: none).
        const extractBody = value => {
            if (typeof value === 'string')
                return { bytes: utf8Of(value), type: textType };
            if (value instanceof ArrayBuffer || ArrayBuffer.isView(value))
                return { bytes: bytesOf(value).slice(), type: null };
            if (isBlob(value))
                return { bytes: blobBytes(value), type: value.type || null };
            if (typeof value === 'object' && value !== null) {
                const { FormData, multipartBody } = formData();
                if (value instanceof FormData)
                    return multipartBody(value);
                if (isURLSearchParams(value))
                    return { bytes: utf8Of(String(value)), type: 'application/x-www-form-urlencoded;charset=UTF-8' };
                if (isReadableStream(value))
                    return { stream: value, type: null };
            }
            return { bytes: utf8Of(String(value)), type: textType };
        };

        // A stream's bytes, whole; past the limit the stream is cancelled and the read fails.
        const readStreamWhole = async stream => {
            const reader = stream.getReader();
            const chunks = [];
            let size = 0;
            for (;;) {
                const { done, value } = await reader.read();
                if (done)
                    return joinChunks(chunks, size);
                if (!(value instanceof Uint8Array))
                    throw new TypeError('The body stream gave a chunk that is not a Uint8Array');
                size += value.length;
                if (size > maximumWholeBody) {
                    const error = tooLarge();
                    reader.cancel(error).catch(() => {});
                    throw error;
                }
                chunks.push(value);
            }
        };

        // What the native side answers for one request, for the body that fetch's Response reads: the
        // chunks wait here until a reader, whole or by stream, takes them. Queued bytes past the high
        // water mark pause the transfer until they are read. JavaScript thread.
        class NetworkFeed {
            constructor(identifier) {
                this.identifier = identifier;
                this.chunks = [];
                this.size = 0;
                this.done = false;
                this.error = null;
                this.paused = false;
                this.consumer = null;
            }
            push(chunk) {
                if (this.consumer) {
                    this.consumer.chunk(chunk);
                    return;
                }
                this.chunks.push(chunk);
                this.size += chunk.length;
                if (this.size > streamHighWaterMark)
                    this.pause();
            }
            end(error) {
                if (this.done)
                    return;
                this.done = true;
                this.error = error;
                if (this.consumer)
                    this.consumer.end(error);
            }
            // Stops the transfer: the reader failed or lost interest.
            abort(error) {
                native.abort(this.identifier);
                this.end(error);
            }
            pause() {
                if (!this.paused && !this.done) {
                    this.paused = true;
                    native.pause(this.identifier);
                }
            }
            resume() {
                if (this.paused && !this.done) {
                    this.paused = false;
                    native.resume(this.identifier);
                }
            }
            // Hands what waits, and everything after, to the consumer.
            attach(consumer) {
                this.consumer = consumer;
                const waiting = this.chunks;
                this.chunks = [];
                this.size = 0;
                for (const chunk of waiting)
                    consumer.chunk(chunk);
                if (this.done)
                    consumer.end(this.error);
            }
            readWhole() {
                return new Promise((resolve, reject) => {
                    const chunks = [];
                    let size = 0;
                    this.attach({
                        chunk: chunk => {
                            size += chunk.length;
                            if (size > maximumWholeBody)
                                this.abort(tooLarge());
                            else if (!this.done)
                                chunks.push(chunk);
                        },
                        end: error => (error ? reject(error) : resolve(joinChunks(chunks, size))),
                    });
                    this.resume();
                });
            }
            stream() {
                const feed = this;
                return new internal.streams.ReadableStream(
                    {
                        type: 'bytes',
                        start(controller) {
                            feed.attach({
                                chunk: chunk => {
                                    controller.enqueue(chunk);
                                    if (controller.desiredSize <= 0)
                                        feed.pause();
                                },
                                end: error => (error ? controller.error(error) : controller.close()),
                            });
                        },
                        pull() {
                            feed.resume();
                        },
                        cancel(reason) {
                            feed.abort(reason);
                        },
                    },
                    { highWaterMark: streamHighWaterMark });
            }
        }

        // The body of a Request or Response: {bytes} (a stream made on demand), {stream}, {feed}
        // (network chunks), or null; `used` once read.
        const bodyOf = source => {
            if (!source)
                return null;
            return { bytes: source.bytes || null, stream: source.stream || null, feed: source.feed || null, used: false };
        };
        const streamOfBytes = bytes => {
            let offset = 0;
            return new internal.streams.ReadableStream({
                type: 'bytes',
                pull(controller) {
                    if (offset >= bytes.length) {
                        controller.close();
                        return;
                    }
                    const size = Math.min(bytes.length - offset, 65536);
                    controller.enqueue(bytes.slice(offset, offset + size));
                    offset += size;
                },
            });
        };
        // The body as a stream, made when first asked for.
        const bodyStream = body => {
            if (!body.stream && body.used) {
                // Read whole already: a stream that no one can read again.
                body.stream = new internal.streams.ReadableStream();
                body.stream.getReader();
            } else if (!body.stream) {
                body.stream = body.feed ? body.feed.stream() : streamOfBytes(body.bytes);
                body.feed = null;
                body.bytes = null;
            }
            return body.stream;
        };
        const isUsed = body => Boolean(body && (body.used || (body.stream && body.stream.locked)));
        // The whole body once; a used or locked one is a TypeError.
        const consumeBody = body => {
            if (!body)
                return Promise.resolve(new Uint8Array(0));
            if (isUsed(body))
                return Promise.reject(new TypeError('The body has already been read'));
            body.used = true;
            if (body.bytes) {
                if (body.bytes.length > maximumWholeBody)
                    return Promise.reject(tooLarge());
                return Promise.resolve(body.bytes);
            }
            if (body.feed)
                return body.feed.readWhole();
            return readStreamWhole(body.stream);
        };
        // A copy of a body for clone(): a stream body is teed, one branch staying here.
        const cloneBody = body => {
            if (!body)
                return null;
            if (isUsed(body))
                throw new TypeError('clone: the body has already been read');
            if (body.bytes)
                return bodyOf({ bytes: body.bytes });
            const [mine, theirs] = bodyStream(body).tee();
            body.stream = mine;
            return bodyOf({ stream: theirs });
        };

        const mimeTypeOf = headers => {
            const type = headerValue(headers, 'content-type');
            return type === null ? '' : type;
        };
        // The reading methods of Request and Response, over the object's body and headers.
        const defineBodyMethods = (prototype, stateOf) => {
            const read = (object, convert) => {
                let state;
                try {
                    state = stateOf(object);
                } catch (error) {
                    return Promise.reject(error);
                }
                return consumeBody(state.body).then(bytes => convert(bytes, state));
            };
            const text = bytes => new TextDecoder().decode(bytes);
            const methods = {
                text() {
                    return read(this, text);
                },
                json() {
                    return read(this, bytes => JSON.parse(text(bytes)));
                },
                arrayBuffer() {
                    return read(this, bytes =>
                        bytes.byteOffset === 0 && bytes.byteLength === bytes.buffer.byteLength ? bytes.buffer : bytes.slice().buffer);
                },
                bytes() {
                    return read(this, bytes => bytes);
                },
                blob() {
                    return read(this, (bytes, state) => new Blob([bytes], { type: mimeTypeOf(state.headers) }));
                },
                formData() {
                    return read(this, (bytes, state) => formData().readFormData(bytes, mimeTypeOf(state.headers)));
                },
            };
            for (const name of Object.keys(methods))
                Object.defineProperty(prototype, name, { value: methods[name], writable: true, configurable: true });
            Object.defineProperties(prototype, {
                body: {
                    get() {
                        const body = stateOf(this).body;
                        return body ? bodyStream(body) : null;
                    },
                    configurable: true,
                },
                bodyUsed: {
                    get() {
                        return isUsed(stateOf(this).body);
                    },
                    configurable: true,
                },
            });
        };
        // Sets the Content-Type a body implies, unless the headers name one.
        const defaultContentType = (headers, type) => {
            if (type && !listOf(headers).list.some(([name]) => name === 'content-type'))
                listOf(headers).list.push(['content-type', type]);
        };
        const optionsOf = (init, where) => {
            if (init === undefined || init === null)
                return {};
            if (typeof init !== 'object' && typeof init !== 'function')
                throw new TypeError(`${where}: the options must be an object`);
            return init;
        };

        // Request

        const requests = internal.privateStates();
        const requestOf = requests.of;
        const redirectModes = ['follow', 'error', 'manual'];
        const cacheModes = ['default', 'no-store', 'reload', 'no-cache', 'force-cache', 'only-if-cached'];
        const enumOption = (value, allowed, fallback, where, name) => {
            if (value === undefined)
                return fallback;
            const text = String(value);
            if (!allowed.includes(text))
                throw new TypeError(`${where}: "${text}" is not a valid value for ${name}`);
            return text;
        };
        // A signal of the request's own, which follows the one given.
        const followingSignal = signal => {
            const { AbortController, AbortSignal } = events();
            const controller = new AbortController();
            if (signal === undefined || signal === null)
                return controller.signal;
            if (!(signal instanceof AbortSignal))
                throw new TypeError('Request: the signal must be an AbortSignal');
            if (signal.aborted)
                controller.abort(signal.reason);
            else
                signal.addEventListener('abort', () => controller.abort(signal.reason), { once: true });
            return controller.signal;
        };

        class Request {
            constructor(input, init = undefined) {
                if (arguments.length < 1)
                    throw new TypeError('Request: 1 argument required, but only 0 present');
                const options = optionsOf(init, 'Request');
                const from = requests.has(input) ? requestOf(input) : null;
                let method = from ? from.method : 'GET';
                if (options.method !== undefined) {
                    method = normalizedMethod(options.method, 'Request');
                    if (method === null)
                        throw new TypeError(`Request: the method "${String(options.method)}" is forbidden`);
                }
                const state = {
                    url: from ? from.url : String(input),
                    method,
                    redirect: enumOption(options.redirect, redirectModes, from ? from.redirect : 'follow', 'Request', 'redirect'),
                    cache: enumOption(options.cache, cacheModes, from ? from.cache : 'default', 'Request', 'cache'),
                    signal: followingSignal(options.signal !== undefined ? options.signal : from ? from.signal : undefined),
                    headers: null,
                    body: null,
                };
                state.headers = makeHeaders('request', options.headers !== undefined ? options.headers : from ? from.headers : undefined, 'Request');
                const hasBody = options.body !== undefined && options.body !== null;
                if ((hasBody || (from && from.body && options.body === undefined)) && (method === 'GET' || method === 'HEAD'))
                    throw new TypeError(`Request: a ${method} request can't have a body`);
                if (hasBody) {
                    const extracted = extractBody(options.body);
                    state.body = bodyOf(extracted);
                    defaultContentType(state.headers, extracted.type);
                } else if (from && from.body && options.body === undefined) {
                    if (isUsed(from.body))
                        throw new TypeError('Request: the body of the request has already been read');
                    // The body moves to the new request.
                    state.body = bodyOf(from.body);
                    from.body.used = true;
                }
                requests.set(this, state);
            }
            get method() {
                return requestOf(this).method;
            }
            get url() {
                return requestOf(this).url;
            }
            get headers() {
                return requestOf(this).headers;
            }
            get redirect() {
                return requestOf(this).redirect;
            }
            get cache() {
                return requestOf(this).cache;
            }
            get signal() {
                return requestOf(this).signal;
            }
            clone() {
                const state = requestOf(this);
                const copy = new Request(this.url, { method: state.method, headers: state.headers, redirect: state.redirect, cache: state.cache, signal: state.signal });
                requestOf(copy).body = cloneBody(state.body);
                return copy;
            }
        }
        defineBodyMethods(Request.prototype, requestOf);

        // Response

        const responses = internal.privateStates();
        const responseOf = responses.of;
        const nullBodyStatuses = [101, 103, 204, 205, 304];
        const redirectStatuses = [301, 302, 303, 307, 308];
        let makingResponse = null;
        // A Response with the state given, not read from the constructor's arguments.
        const responseWithState = state => {
            makingResponse = state;
            try {
                return new Response();
            } finally {
                makingResponse = null;
            }
        };
        const initState = (init, body, where) => {
            const options = optionsOf(init, where);
            const status = options.status === undefined ? 200 : Number(options.status);
            if (!Number.isInteger(status) || status < 200 || status > 599)
                throw new RangeError(`${where}: the status ${String(options.status)} is not in the range 200 to 599`);
            const statusText = options.statusText === undefined ? '' : String(options.statusText);
            if (!/^[\t\x20-\x7e\x80-\xff]*$/.test(statusText))
                throw new TypeError(`${where}: "${statusText}" is not a valid status text`);
            const state = {
                type: 'default', url: '', redirected: false, status, statusText,
                headers: makeHeaders('response', options.headers, where), body: null,
            };
            if (body !== undefined && body !== null) {
                if (nullBodyStatuses.includes(status))
                    throw new TypeError(`${where}: a response with status ${status} can't have a body`);
                const extracted = extractBody(body);
                state.body = bodyOf(extracted);
                defaultContentType(state.headers, extracted.type);
            }
            listOf(state.headers).guard = 'response';
            return state;
        };

        class Response {
            constructor(body = null, init = undefined) {
                responses.set(this, makingResponse || initState(init, body, 'Response'));
            }
            static error() {
                return responseWithState({ type: 'error', url: '', redirected: false, status: 0, statusText: '', headers: makeHeaders('immutable'), body: null });
            }
            static redirect(url, status = 302) {
                const code = Number(status);
                if (!redirectStatuses.includes(code))
                    throw new RangeError(`Response.redirect: ${String(status)} is not a redirect status`);
                const location = new global.URL(String(url)).href;
                return responseWithState({ type: 'default', url: '', redirected: false, status: code, statusText: '', headers: makeHeaders('immutable', [['location', location]]), body: null });
            }
            static json(data, init = undefined) {
                const text = JSON.stringify(data);
                if (text === undefined)
                    throw new TypeError("Response.json: the data can't be serialized as JSON");
                const state = initState(init, undefined, 'Response.json');
                if (nullBodyStatuses.includes(state.status))
                    throw new TypeError(`Response.json: a response with status ${state.status} can't have a body`);
                state.body = bodyOf({ bytes: utf8Of(text) });
                defaultContentType(state.headers, 'application/json');
                return responseWithState(state);
            }
            get type() {
                return responseOf(this).type;
            }
            get url() {
                return responseOf(this).url;
            }
            get redirected() {
                return responseOf(this).redirected;
            }
            get status() {
                return responseOf(this).status;
            }
            get ok() {
                const status = responseOf(this).status;
                return status >= 200 && status <= 299;
            }
            get statusText() {
                return responseOf(this).statusText;
            }
            get headers() {
                return responseOf(this).headers;
            }
            clone() {
                const state = responseOf(this);
                return responseWithState(Object.assign({}, state, {
                    headers: makeHeaders(listOf(state.headers).guard, state.headers), body: cloneBody(state.body),
                }));
            }
        }
        defineBodyMethods(Response.prototype, responseOf);

        for (const [constructor, tag] of [[Headers, 'Headers'], [Request, 'Request'], [Response, 'Response']])
            Object.defineProperty(constructor.prototype, Symbol.toStringTag, { value: tag, configurable: true });

        // fetch

        // The bytes a request sends: read whole first when they come as a stream.
        const requestBytes = body => {
            if (!body)
                return Promise.resolve(null);
            return consumeBody(body);
        };

        const fetch = (input, init = undefined) =>
            new Promise((resolve, reject) => {
                const request = new Request(input, init);
                const state = requestOf(request);
                const signal = state.signal;
                if (signal.aborted) {
                    reject(signal.reason);
                    return;
                }
                let feed = null;
                let identifier = null;
                let finished = false;
                const onAbort = () => {
                    if (finished)
                        return;
                    finished = true;
                    if (identifier !== null)
                        native.abort(identifier);
                    if (feed)
                        feed.end(signal.reason);
                    else
                        reject(signal.reason);
                };
                signal.addEventListener('abort', onAbort, { once: true });
                const finish = () => {
                    finished = true;
                    signal.removeEventListener('abort', onAbort);
                };
                const listener = {
                    response: head => {
                        const headers = new Headers();
                        listOf(headers).list = head.headers.map(([name, value]) => [String(name).toLowerCase(), String(value)]);
                        listOf(headers).guard = 'immutable';
                        const hasBody = state.method !== 'HEAD' && !nullBodyStatuses.includes(head.status);
                        feed = new NetworkFeed(identifier);
                        resolve(responseWithState({
                            type: 'basic', url: head.url, redirected: head.redirected, status: head.status,
                            statusText: head.statusText, headers, body: hasBody ? bodyOf({ feed }) : null,
                        }));
                    },
                    data: buffer => feed.push(new Uint8Array(buffer)),
                    complete: failure => {
                        finish();
                        const error = failure ? new TypeError(failure.message) : null;
                        if (feed)
                            feed.end(error);
                        else
                            reject(error || new TypeError('Network request failed'));
                    },
                };
                requestBytes(state.body).then(bytes => {
                    if (finished)
                        return;
                    const options = { url: state.url, method: state.method, headers: headerPairs(state.headers), redirect: state.redirect, cache: state.cache };
                    if (bytes)
                        options.body = bytes;
                    identifier = native.request(options, listener);
                    if (identifier === null) {
                        finish();
                        reject(new TypeError('Network request failed'));
                    }
                }, error => {
                    finish();
                    reject(error);
                });
            });

        return {
            Headers, Request, Response, fetch,
            checkedName, checkedValue, normalizedMethod, isForbiddenRequestName, sortAndCombine, extractBody,
            readStreamWhole, joinChunks, maximumWholeBody, tooLarge,
        };
    });
    internal.defineLazyGlobals(['fetch', 'Headers', 'Request', 'Response'], internal.fetch);
}
