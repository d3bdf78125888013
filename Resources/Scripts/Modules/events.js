// The event machinery of the modules' script layers: EventTarget and Event as scripts know them from
// the web (no bubbling, no capture), and EventTarget.defineHandlers(prototype, types), which gives a
// class its "on" handler properties. Every module prelude starts with this text; the first one in a
// context defines the two globals, the others find them.
(function (global) {
    'use strict';
    if (typeof global.EventTarget === 'function' && global.EventTarget.defineHandlers)
        return;

    // Target to a Map of type to [{listener, once}]; events whose dispatch was stopped.
    const listenersOf = new WeakMap();
    const stopped = new WeakSet();
    const listenersFor = target => {
        let all = listenersOf.get(target);
        if (!all) {
            all = new Map();
            listenersOf.set(target, all);
        }
        return all;
    };
    const report = error => {
        if (typeof console === 'object' && typeof console.error === 'function')
            console.error(error);
    };

    class Event {
        constructor(type, init) {
            if (arguments.length < 1)
                throw new TypeError('Event: 1 argument required, but only 0 present');
            const options = init === undefined || init === null ? {} : Object(init);
            Object.defineProperties(this, {
                type: {value: String(type), enumerable: true},
                cancelable: {value: Boolean(options.cancelable), enumerable: true},
                timeStamp: {value: Date.now(), enumerable: true},
            });
            this.target = null;
            this.currentTarget = null;
            this.defaultPrevented = false;
        }
        preventDefault() {
            if (this.cancelable)
                this.defaultPrevented = true;
        }
        stopPropagation() {}
        stopImmediatePropagation() {
            stopped.add(this);
        }
    }

    class EventTarget {
        addEventListener(type, listener, options) {
            if (typeof listener !== 'function' && (typeof listener !== 'object' || listener === null))
                return;
            const all = listenersFor(this);
            type = String(type);
            const list = all.get(type) || [];
            if (list.some(entry => entry.listener === listener))
                return;
            list.push({listener, once: Boolean(options && typeof options === 'object' && options.once)});
            all.set(type, list);
        }
        removeEventListener(type, listener) {
            const list = listenersFor(this).get(String(type));
            const index = list ? list.findIndex(entry => entry.listener === listener) : -1;
            if (index >= 0)
                list.splice(index, 1);
        }
        dispatchEvent(event) {
            if (!(event instanceof Event))
                throw new TypeError('dispatchEvent: the argument must be an Event');
            event.target = this;
            event.currentTarget = this;
            const list = listenersFor(this).get(event.type) || [];
            for (const entry of list.slice()) {
                if (!list.includes(entry))
                    continue;
                if (entry.once)
                    this.removeEventListener(event.type, entry.listener);
                try {
                    if (typeof entry.listener === 'function')
                        entry.listener.call(this, event);
                    else if (typeof entry.listener.handleEvent === 'function')
                        entry.listener.handleEvent(event);
                } catch (error) {
                    report(error);
                }
                if (stopped.has(event))
                    return !event.defaultPrevented;
            }
            const handler = this['on' + event.type];
            if (typeof handler === 'function') {
                try {
                    handler.call(this, event);
                } catch (error) {
                    report(error);
                }
            }
            return !event.defaultPrevented;
        }
        static defineHandlers(prototype, types) {
            for (const type of types) {
                const slot = Symbol('on' + type);
                Object.defineProperty(prototype, 'on' + type, {
                    get() {
                        return this[slot] || null;
                    },
                    set(value) {
                        this[slot] = typeof value === 'function' ? value : null;
                    },
                    configurable: true,
                });
            }
        }
    }
    for (const [name, value] of [['Event', Event], ['EventTarget', EventTarget]])
        Object.defineProperty(global, name, {value, writable: true, configurable: true});
})(this);
