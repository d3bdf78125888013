// WebSocket over the native connect, send, bufferedAmount and close: the native side checks the URL
// and refuses it in its own words, which become the DOMException thrown here; what happens to the
// connection afterwards comes back to a listener as open, message, error and close.
{
    // The class, made at the first touch of the global.
    internal.webSocket = internal.once(() => {
        const native = internal.native;
        const { bytesOf, utf8Of } = internal.encoding();
        const { isBlob, blobBytes, Blob } = internal.blob();
        const { MessageEvent, CloseEvent } = internal.events();
        const { Event, EventTarget } = global;

        const CONNECTING = 0, OPEN = 1, CLOSING = 2, CLOSED = 3;
        const maximumReasonBytes = 123;
        const tokenPattern = /^[!#$%&'*+\-.^_`|~0-9A-Za-z]+$/;

        // WebSocket to {identifier, url, origin, readyState, protocol, binaryType}.
        const sockets = internal.privateStates();
        const stateOf = sockets.of;

        // The subprotocols offered: one string or a sequence of them, each a token, none twice.
        const protocolList = protocols => {
            if (protocols === undefined)
                return [];
            const isSequence = protocols !== null && typeof protocols === 'object' &&
                typeof protocols[Symbol.iterator] === 'function';
            const list = isSequence ? Array.from(protocols, String) : [String(protocols)];
            for (const [index, protocol] of list.entries()) {
                if (!tokenPattern.test(protocol))
                    throw new DOMException(`WebSocket: "${protocol}" is not a valid subprotocol`, 'SyntaxError');
                if (list.indexOf(protocol) !== index)
                    throw new DOMException(`WebSocket: the subprotocol "${protocol}" is offered twice`, 'SyntaxError');
            }
            return list;
        };
        // The scheme, host and port of a URL as the native side wrote it, without any user name.
        const originOf = url => {
            const match = /^([A-Za-z][A-Za-z0-9+.-]*:\/\/)(?:[^@/?#]*@)?([^/?#]*)/.exec(url);
            return match ? (match[1] + match[2]).toLowerCase() : '';
        };

        // The native side's calls; the connection is forgotten there before error and close.
        const listenerOf = socket => ({
            open(protocol) {
                const state = stateOf(socket);
                state.readyState = OPEN;
                state.protocol = String(protocol);
                socket.dispatchEvent(new Event('open'));
            },
            message(data) {
                const state = stateOf(socket);
                if (state.readyState !== OPEN)
                    return;
                if (typeof data !== 'string') {
                    const buffer = data === null ? new ArrayBuffer(0) : data;
                    data = state.binaryType === 'arraybuffer' ? buffer : new Blob([buffer]);
                }
                socket.dispatchEvent(new MessageEvent('message', { data, origin: state.origin }));
            },
            error() {
                stateOf(socket).readyState = CLOSED;
                socket.dispatchEvent(new Event('error'));
            },
            close(code, reason, wasClean) {
                stateOf(socket).readyState = CLOSED;
                socket.dispatchEvent(new CloseEvent('close', { code, reason, wasClean }));
            },
        });

        class WebSocket extends EventTarget {
            constructor(url, protocols = undefined) {
                if (arguments.length < 1)
                    throw new TypeError('WebSocket: 1 argument required, but only 0 present');
                super();
                const list = protocolList(protocols);
                const state = { identifier: null, url: '', origin: '', readyState: CONNECTING, protocol: '', binaryType: 'blob' };
                sockets.set(this, state);
                const result = native.connect(String(url), list, listenerOf(this));
                if (result === null)
                    throw new DOMException('WebSocket: the runtime is gone', 'InvalidStateError');
                if (result.error !== undefined)
                    throw new DOMException(result.message, result.error);
                state.identifier = result.id;
                state.url = result.url;
                state.origin = originOf(result.url);
            }
            get url() {
                return stateOf(this).url;
            }
            get readyState() {
                return stateOf(this).readyState;
            }
            get bufferedAmount() {
                return native.bufferedAmount(stateOf(this).identifier);
            }
            get extensions() {
                stateOf(this);
                return '';
            }
            get protocol() {
                return stateOf(this).protocol;
            }
            get binaryType() {
                return stateOf(this).binaryType;
            }
            set binaryType(value) {
                const state = stateOf(this);
                if (value === 'blob' || value === 'arraybuffer')
                    state.binaryType = value;
            }
            send(data) {
                const state = stateOf(this);
                if (arguments.length < 1)
                    throw new TypeError('WebSocket.send: 1 argument required, but only 0 present');
                if (state.readyState === CONNECTING)
                    throw new DOMException('WebSocket.send: the connection is not open yet', 'InvalidStateError');
                if (state.readyState !== OPEN)
                    return;
                // A Blob's bytes are at hand, so it goes out in its turn like the rest.
                if (isBlob(data))
                    native.send(state.identifier, blobBytes(data));
                else if (data instanceof ArrayBuffer || ArrayBuffer.isView(data))
                    native.send(state.identifier, bytesOf(data, 'WebSocket.send'));
                else
                    native.send(state.identifier, String(data));
            }
            close(code = undefined, reason = undefined) {
                const state = stateOf(this);
                const args = [state.identifier];
                if (code !== undefined) {
                    const number = Math.min(Math.max(Math.round(Number(code)) || 0, 0), 65535);
                    if (number !== 1000 && (number < 3000 || number > 4999))
                        throw new DOMException(`WebSocket.close: the code must be 1000 or between 3000 and 4999, not ${number}`, 'InvalidAccessError');
                    args.push(number);
                }
                if (reason !== undefined) {
                    const text = String(reason);
                    if (utf8Of(text).length > maximumReasonBytes)
                        throw new DOMException('WebSocket.close: the reason is longer than 123 bytes', 'SyntaxError');
                    if (args.length === 1)
                        args.push(1000);
                    args.push(text);
                }
                if (state.readyState === CLOSING || state.readyState === CLOSED)
                    return;
                // While connecting, this fails the connection: error, then close with 1006.
                state.readyState = CLOSING;
                native.close(...args);
            }
        }
        EventTarget.defineHandlers(WebSocket.prototype, ['open', 'message', 'error', 'close']);
        for (const target of [WebSocket, WebSocket.prototype]) {
            for (const [name, value] of [['CONNECTING', CONNECTING], ['OPEN', OPEN], ['CLOSING', CLOSING], ['CLOSED', CLOSED]])
                Object.defineProperty(target, name, { value, enumerable: true });
        }
        Object.defineProperty(WebSocket.prototype, Symbol.toStringTag, { value: 'WebSocket', configurable: true });

        return { WebSocket };
    });
    internal.defineLazyGlobals(['WebSocket'], internal.webSocket);
}
