// XMLHttpRequest over the native request road, asynchronous only (a synchronous request would wait on
// the thread that delivers its answer), with fetch's header rules, request bodies and body limit.
{
    // The classes, made at the first touch of one of the globals.
    internal.xhr = internal.once(() => {
        const native = internal.native;
        const shared = internal.fetch();
        const { ProgressEvent } = internal.events();
        const { TextDecoder } = internal.encoding();
        const { Blob } = internal.blob();
        const { Event, EventTarget } = global;

        const UNSENT = 0, OPENED = 1, HEADERS_RECEIVED = 2, LOADING = 3, DONE = 4;
        const progressEventTypes = ['loadstart', 'progress', 'abort', 'error', 'load', 'timeout', 'loadend'];
        const responseTypes = ['', 'arraybuffer', 'blob', 'document', 'json', 'text'];
        // Progress events while a body arrives: at the first chunk, then at most this often.
        const progressInterval = 50;

        const invalidState = message => new DOMException(message, 'InvalidStateError');
        const fire = (target, type, loaded, total) =>
            target.dispatchEvent(new ProgressEvent(type, { loaded, total, lengthComputable: total > 0 }));

        class XMLHttpRequestEventTarget extends EventTarget {
            constructor() {
                if (new.target === XMLHttpRequestEventTarget)
                    throw new TypeError('Illegal constructor');
                super();
            }
        }
        EventTarget.defineHandlers(XMLHttpRequestEventTarget.prototype, progressEventTypes);

        let makingUpload = false;
        class XMLHttpRequestUpload extends XMLHttpRequestEventTarget {
            constructor() {
                if (!makingUpload)
                    throw new TypeError('Illegal constructor');
                super();
            }
        }

        // XMLHttpRequest to its state; the request under way has its identifier.
        const requests = internal.privateStates();
        const stateOf = requests.of;

        const emptyResponse = state => {
            state.status = 0;
            state.statusText = '';
            state.responseURL = '';
            state.headers = [];
            state.chunks = [];
            state.received = 0;
            state.total = 0;
            state.bytes = null;
            state.text = null;
            state.response = undefined;
            state.failed = false;
        };
        // Forgets the request under way without a further call, and its timer.
        const stopTransfer = state => {
            if (state.identifier !== null)
                native.abort(state.identifier);
            state.identifier = null;
            clearTimeout(state.timer);
            state.timer = null;
        };
        const setReadyState = (xhr, state, readyState) => {
            state.readyState = readyState;
            xhr.dispatchEvent(new Event('readystatechange'));
        };

        // The bytes received so far, joined once.
        const bodyBytes = state => {
            if (!state.bytes || state.bytes.length !== state.received) {
                state.bytes = shared.joinChunks(state.chunks, state.received);
                state.chunks = [state.bytes];
            }
            return state.bytes;
        };
        // The MIME type that decides the response's charset and Blob type.
        const finalMimeType = state => {
            if (state.overrideMimeType !== null)
                return state.overrideMimeType;
            const type = state.headers.filter(([name]) => name === 'content-type').map(([, value]) => value);
            return type.length ? type.join(', ') : '';
        };
        const charsetOf = type => {
            const match = /;\s*charset\s*=\s*"?([^";\s]+)/i.exec(type);
            return match ? match[1] : 'utf-8';
        };
        const decodeText = state => {
            let decoder;
            try {
                decoder = new TextDecoder(charsetOf(finalMimeType(state)));
            } catch {
                decoder = new TextDecoder();
            }
            return decoder.decode(bodyBytes(state));
        };
        const responseValue = state => {
            const bytes = bodyBytes(state);
            switch (state.responseType) {
            case 'arraybuffer':
                return bytes.byteLength === bytes.buffer.byteLength ? bytes.buffer : bytes.slice().buffer;
            case 'blob':
                return new Blob([bytes], { type: finalMimeType(state) });
            case 'json':
                try {
                    return JSON.parse(new TextDecoder().decode(bytes));
                } catch {
                    return null;
                }
            default:
                return null;
            }
        };

        // The end of a request that failed, was aborted or timed out.
        const requestError = (xhr, state, type) => {
            stopTransfer(state);
            state.readyState = DONE;
            state.sending = false;
            emptyResponse(state);
            state.failed = true;
            xhr.dispatchEvent(new Event('readystatechange'));
            if (!state.uploadComplete) {
                state.uploadComplete = true;
                if (state.uploadsEvents) {
                    fire(state.upload, type, 0, 0);
                    fire(state.upload, 'loadend', 0, 0);
                }
            }
            fire(xhr, type, 0, 0);
            fire(xhr, 'loadend', 0, 0);
        };
        const uploadFinished = state => {
            if (state.uploadComplete)
                return;
            state.uploadComplete = true;
            if (state.uploadsEvents) {
                const length = state.uploadLength;
                for (const type of ['progress', 'load', 'loadend'])
                    fire(state.upload, type, length, length);
            }
        };

        const listenerFor = (xhr, state, identifierOf) => ({
            response: head => {
                if (identifierOf() !== state.identifier)
                    return;
                uploadFinished(state);
                state.status = head.status;
                state.statusText = head.statusText;
                state.responseURL = head.url;
                state.headers = head.headers.map(([name, value]) => [String(name).toLowerCase(), String(value)]);
                const length = Number(state.headers.filter(([name]) => name === 'content-length').map(([, value]) => value)[0]);
                state.total = Number.isSafeInteger(length) && length > 0 ? length : 0;
                setReadyState(xhr, state, HEADERS_RECEIVED);
            },
            data: buffer => {
                if (identifierOf() !== state.identifier)
                    return;
                const chunk = new Uint8Array(buffer);
                state.received += chunk.length;
                if (state.received > shared.maximumWholeBody) {
                    requestError(xhr, state, 'error');
                    return;
                }
                state.chunks.push(chunk);
                state.text = null;
                if (state.readyState === HEADERS_RECEIVED)
                    setReadyState(xhr, state, LOADING);
                const now = Date.now();
                if (now - state.lastProgress >= progressInterval) {
                    state.lastProgress = now;
                    fire(xhr, 'progress', state.received, state.total);
                }
            },
            complete: failure => {
                if (identifierOf() !== state.identifier)
                    return;
                state.identifier = null;
                if (failure) {
                    requestError(xhr, state, 'error');
                    return;
                }
                clearTimeout(state.timer);
                state.timer = null;
                fire(xhr, 'progress', state.received, state.total);
                state.sending = false;
                setReadyState(xhr, state, DONE);
                fire(xhr, 'load', state.received, state.total);
                fire(xhr, 'loadend', state.received, state.total);
            },
        });

        // The timer of the request under way, counted from send(), as its timeout now stands.
        const armTimeout = (xhr, state) => {
            clearTimeout(state.timer);
            state.timer = null;
            const identifier = state.identifier;
            if (state.timeout > 0 && identifier !== null)
                state.timer = setTimeout(() => {
                    if (state.identifier === identifier)
                        requestError(xhr, state, 'timeout');
                }, Math.max(0, state.timeout - (Date.now() - state.sentAt)));
        };

        // Starts the transfer of an opened request with the bytes of its body (null: none).
        const startTransfer = (xhr, state, bytes) => {
            const headers = shared.sortAndCombine(state.requestHeaders);
            const options = { url: state.url, method: state.method, headers, redirect: 'follow' };
            if (bytes)
                options.body = bytes;
            let identifier = null;
            const listener = listenerFor(xhr, state, () => identifier);
            identifier = native.request(options, listener);
            state.identifier = identifier;
            if (identifier === null) {
                requestError(xhr, state, 'error');
                return;
            }
            armTimeout(xhr, state);
        };

        class XMLHttpRequest extends XMLHttpRequestEventTarget {
            constructor() {
                super();
                makingUpload = true;
                let upload;
                try {
                    upload = new XMLHttpRequestUpload();
                } finally {
                    makingUpload = false;
                }
                const state = {
                    readyState: UNSENT, method: 'GET', url: '', requestHeaders: [], sending: false,
                    identifier: null, timer: null, timeout: 0, sentAt: 0, lastProgress: 0,
                    responseType: '', overrideMimeType: null, withCredentials: false,
                    upload, uploadComplete: false, uploadsEvents: false, uploadLength: 0,
                };
                emptyResponse(state);
                requests.set(this, state);
            }
            get readyState() {
                return stateOf(this).readyState;
            }
            get upload() {
                return stateOf(this).upload;
            }
            open(method, url) {
                const state = stateOf(this);
                if (arguments.length < 2)
                    throw new TypeError(`XMLHttpRequest.open: 2 arguments required, but only ${arguments.length} present`);
                const normalized = shared.normalizedMethod(method, 'XMLHttpRequest.open');
                if (normalized === null)
                    throw new DOMException(`XMLHttpRequest.open: the method "${String(method)}" is forbidden`, 'SecurityError');
                // An async argument given as undefined is false, as it is on the web.
                if (arguments.length > 2 && !arguments[2])
                    throw new DOMException(
                        'XMLHttpRequest.open: synchronous requests are not supported', 'NotSupportedError');
                stopTransfer(state);
                Object.assign(state, { method: normalized, url: String(url), requestHeaders: [], sending: false });
                emptyResponse(state);
                if (state.readyState !== OPENED)
                    setReadyState(this, state, OPENED);
            }
            setRequestHeader(name, value) {
                const state = stateOf(this);
                if (state.readyState !== OPENED || state.sending)
                    throw invalidState('XMLHttpRequest.setRequestHeader: the request must be opened and not sent');
                const key = shared.checkedName(name, 'XMLHttpRequest.setRequestHeader').toLowerCase();
                const text = shared.checkedValue(value, 'XMLHttpRequest.setRequestHeader');
                if (!shared.isForbiddenRequestName(key))
                    state.requestHeaders.push([key, text]);
            }
            send(body = null) {
                const state = stateOf(this);
                if (state.readyState !== OPENED || state.sending)
                    throw invalidState('XMLHttpRequest.send: the request must be opened and not sent');
                const extracted = state.method === 'GET' || state.method === 'HEAD' || body === null || body === undefined ?
                    null : shared.extractBody(body);
                if (extracted && extracted.type && !state.requestHeaders.some(([name]) => name === 'content-type'))
                    state.requestHeaders.push(['content-type', extracted.type]);
                state.sending = true;
                state.sentAt = Date.now();
                state.lastProgress = -Infinity;
                state.uploadComplete = !extracted;
                state.uploadLength = extracted && extracted.bytes ? extracted.bytes.length : 0;
                state.uploadsEvents = Boolean(extracted);
                fire(this, 'loadstart', 0, 0);
                if (!state.uploadComplete && state.uploadsEvents)
                    fire(state.upload, 'loadstart', 0, state.uploadLength);
                if (state.readyState !== OPENED || !state.sending)
                    return;
                if (!extracted || extracted.bytes) {
                    startTransfer(this, state, extracted && extracted.bytes);
                    return;
                }
                // A stream is read whole before the request starts.
                const sentAt = state.sentAt;
                shared.readStreamWhole(extracted.stream).then(bytes => {
                    if (state.sending && state.sentAt === sentAt && state.identifier === null) {
                        state.uploadLength = bytes.length;
                        startTransfer(this, state, bytes);
                    }
                }, () => {
                    if (state.sending && state.sentAt === sentAt)
                        requestError(this, state, 'error');
                });
            }
            abort() {
                const state = stateOf(this);
                const active = (state.readyState === OPENED && state.sending) || state.readyState === HEADERS_RECEIVED ||
                    state.readyState === LOADING;
                if (active)
                    requestError(this, state, 'abort');
                else
                    stopTransfer(state);
                if (state.readyState === DONE) {
                    state.readyState = UNSENT;
                    emptyResponse(state);
                    state.failed = true;
                }
            }
            get timeout() {
                return stateOf(this).timeout;
            }
            set timeout(value) {
                const number = Number(value);
                const state = stateOf(this);
                state.timeout = Number.isFinite(number) && number > 0 ? Math.trunc(number) : 0;
                armTimeout(this, state);
            }
            get withCredentials() {
                return stateOf(this).withCredentials;
            }
            set withCredentials(value) {
                const state = stateOf(this);
                if ((state.readyState !== UNSENT && state.readyState !== OPENED) || state.sending)
                    throw invalidState('XMLHttpRequest.withCredentials: the request has been sent');
                state.withCredentials = Boolean(value);
            }
            get responseType() {
                return stateOf(this).responseType;
            }
            set responseType(value) {
                const state = stateOf(this);
                const type = String(value);
                if (!responseTypes.includes(type))
                    return;
                if (state.readyState === LOADING || state.readyState === DONE)
                    throw invalidState('XMLHttpRequest.responseType: the response is already loading');
                state.responseType = type;
            }
            overrideMimeType(mime) {
                const state = stateOf(this);
                if (state.readyState === LOADING || state.readyState === DONE)
                    throw invalidState('XMLHttpRequest.overrideMimeType: the response is already loading');
                state.overrideMimeType = String(mime);
            }
            get status() {
                return stateOf(this).status;
            }
            get statusText() {
                return stateOf(this).statusText;
            }
            get responseURL() {
                return stateOf(this).responseURL;
            }
            getResponseHeader(name) {
                const state = stateOf(this);
                const key = String(name).toLowerCase();
                const values = state.headers.filter(([entry]) => entry === key).map(([, value]) => value);
                return values.length ? values.join(', ') : null;
            }
            getAllResponseHeaders() {
                return shared.sortAndCombine(stateOf(this).headers).map(([name, value]) => `${name}: ${value}\r\n`).join('');
            }
            get responseText() {
                const state = stateOf(this);
                if (state.responseType !== '' && state.responseType !== 'text')
                    throw invalidState('XMLHttpRequest.responseText: the responseType is not "" or "text"');
                if (state.readyState !== LOADING && state.readyState !== DONE)
                    return '';
                if (state.text === null)
                    state.text = decodeText(state);
                return state.text;
            }
            get response() {
                const state = stateOf(this);
                if (state.responseType === '' || state.responseType === 'text')
                    return this.responseText;
                if (state.readyState !== DONE || state.failed)
                    return null;
                if (state.response === undefined)
                    state.response = responseValue(state);
                return state.response;
            }
        }
        EventTarget.defineHandlers(XMLHttpRequest.prototype, ['readystatechange']);
        const constants = { UNSENT, OPENED, HEADERS_RECEIVED, LOADING, DONE };
        for (const name of Object.keys(constants)) {
            Object.defineProperty(XMLHttpRequest, name, { value: constants[name], enumerable: true });
            Object.defineProperty(XMLHttpRequest.prototype, name, { value: constants[name], enumerable: true });
        }
        for (const [constructor, tag] of [[XMLHttpRequest, 'XMLHttpRequest'], [XMLHttpRequestUpload, 'XMLHttpRequestUpload'],
                                          [XMLHttpRequestEventTarget, 'XMLHttpRequestEventTarget']])
            Object.defineProperty(constructor.prototype, Symbol.toStringTag, { value: tag, configurable: true });

        return { XMLHttpRequest, XMLHttpRequestUpload, XMLHttpRequestEventTarget };
    });
    internal.defineLazyGlobals(['XMLHttpRequest', 'XMLHttpRequestUpload', 'XMLHttpRequestEventTarget'], internal.xhr);
}
