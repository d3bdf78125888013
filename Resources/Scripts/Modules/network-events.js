// The first script of the Network prelude: how its scripts define globals (as the web has them:
// writable, configurable, not enumerable; or made at first touch), and the events and abort signals
// of the network classes, on the shared EventTarget.
{
    internal.defineGlobals = values => {
        for (const name of Object.keys(values))
            Object.defineProperty(global, name, { value: values[name], writable: true, configurable: true });
    };

    // Globals whose values `load` makes at the first touch of any of them; it returns an object that
    // holds them all. They then become plain values; an assignment before that replaces the one. While
    // `load` runs they read as undefined, as code that looks for a built-in one expects.
    internal.defineLazyGlobals = (names, load) => {
        let values = null;
        let loading = false;
        const accessors = {};
        const settle = () => {
            if (loading)
                return {};
            if (!values) {
                loading = true;
                try {
                    values = load();
                } finally {
                    loading = false;
                }
                for (const name of names) {
                    const current = Object.getOwnPropertyDescriptor(global, name);
                    if (current && current.get === accessors[name].get)
                        internal.defineGlobals({ [name]: values[name] });
                }
            }
            return values;
        };
        for (const name of names) {
            accessors[name] = {
                get() {
                    return settle()[name];
                },
                set(value) {
                    internal.defineGlobals({ [name]: value });
                },
                configurable: true,
            };
            Object.defineProperty(global, name, accessors[name]);
        }
    };

    // The private state of the objects of one class; `of` throws the TypeError of a call on another.
    internal.privateStates = () => {
        const states = new WeakMap();
        return {
            set: (object, state) => void states.set(object, state),
            has: object => states.has(object),
            of: object => {
                const state = states.get(object);
                if (!state)
                    throw new TypeError('Illegal invocation');
                return state;
            },
        };
    };

    // What a loader returns, made by its first call.
    internal.once = load => {
        let value = null;
        return () => value || (value = load());
    };

    // The events and abort signals, made at the first touch of one of their globals.
    internal.events = internal.once(() => {
        const { Event, EventTarget } = global;
        const optionsOf = init => (init === undefined || init === null ? {} : Object(init));
        const needsType = (name, count) => {
            if (count < 1)
                throw new TypeError(`${name}: 1 argument required, but only 0 present`);
        };
        const defineReadOnly = (target, values) => {
            for (const name of Object.keys(values))
                Object.defineProperty(target, name, { value: values[name], enumerable: true });
        };

        class ProgressEvent extends Event {
            constructor(type, init) {
                needsType('ProgressEvent', arguments.length);
                super(type, init);
                const options = optionsOf(init);
                defineReadOnly(this, {
                    lengthComputable: Boolean(options.lengthComputable),
                    loaded: Number(options.loaded) || 0,
                    total: Number(options.total) || 0,
                });
            }
        }

        class MessageEvent extends Event {
            constructor(type, init) {
                needsType('MessageEvent', arguments.length);
                super(type, init);
                const options = optionsOf(init);
                defineReadOnly(this, {
                    data: options.data === undefined ? null : options.data,
                    origin: options.origin === undefined ? '' : String(options.origin),
                    lastEventId: options.lastEventId === undefined ? '' : String(options.lastEventId),
                    source: options.source === undefined ? null : options.source,
                    ports: Object.freeze(options.ports === undefined ? [] : Array.from(options.ports)),
                });
            }
        }

        class CloseEvent extends Event {
            constructor(type, init) {
                needsType('CloseEvent', arguments.length);
                super(type, init);
                const options = optionsOf(init);
                defineReadOnly(this, {
                    wasClean: Boolean(options.wasClean),
                    code: (Number(options.code) || 0) & 0xffff,
                    reason: options.reason === undefined ? '' : String(options.reason),
                });
            }
        }

        // Signal to {aborted, reason}; only the prelude makes signals.
        const signals = internal.privateStates();
        const stateOf = signals.of;
        let making = false;
        const makeSignal = () => {
            making = true;
            try {
                return new AbortSignal();
            } finally {
                making = false;
            }
        };
        // Aborts the signal once, with the reason or the standard one, and tells its listeners.
        const abortSignal = (signal, reason) => {
            const state = stateOf(signal);
            if (state.aborted)
                return;
            state.aborted = true;
            state.reason = reason === undefined ? new DOMException('signal is aborted without reason', 'AbortError') : reason;
            signal.dispatchEvent(new Event('abort'));
        };

        class AbortSignal extends EventTarget {
            constructor() {
                if (!making)
                    throw new TypeError('Illegal constructor');
                super();
                signals.set(this, { aborted: false, reason: undefined });
            }
            get aborted() {
                return stateOf(this).aborted;
            }
            get reason() {
                return stateOf(this).reason;
            }
            throwIfAborted() {
                const state = stateOf(this);
                if (state.aborted)
                    throw state.reason;
            }
            static abort(reason) {
                const signal = makeSignal();
                abortSignal(signal, reason);
                return signal;
            }
            static timeout(milliseconds) {
                const delay = Number(milliseconds);
                if (!Number.isFinite(delay) || delay < 0 || delay > Number.MAX_SAFE_INTEGER)
                    throw new TypeError('AbortSignal.timeout: the time must be a finite, non-negative number');
                const signal = makeSignal();
                setTimeout(() => abortSignal(signal, new DOMException('signal timed out', 'TimeoutError')), delay);
                return signal;
            }
        }
        EventTarget.defineHandlers(AbortSignal.prototype, ['abort']);

        const controllers = internal.privateStates();
        class AbortController {
            constructor() {
                controllers.set(this, makeSignal());
            }
            get signal() {
                return controllers.of(this);
            }
            abort(reason) {
                abortSignal(this.signal, reason);
            }
        }

        for (const [constructor, tag] of [[AbortSignal, 'AbortSignal'], [AbortController, 'AbortController']])
            Object.defineProperty(constructor.prototype, Symbol.toStringTag, { value: tag, configurable: true });

        return { ProgressEvent, MessageEvent, CloseEvent, AbortController, AbortSignal, abortSignal };
    });
    internal.defineLazyGlobals(['ProgressEvent', 'MessageEvent', 'CloseEvent', 'AbortController', 'AbortSignal'], internal.events);
}
