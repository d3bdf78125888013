// localStorage and Velto.syncStorage: web-like storage objects over the native LocalStorage and
// SyncStorage classes, with length, key(), getItem(), setItem(), removeItem() and clear(). Items are
// also read, written, deleted, tested with "in" and listed (in key order) as properties, except under
// names that the object itself has, such as "length". A refused setItem throws a DOMException named
// "QuotaExceededError". Velto.syncStorage is also an EventTarget with onchange: its "change" events
// carry key, oldValue and newValue of the changes that reached the area from outside.
(function (global) {
    'use strict';
    if (typeof VeltoRuntime !== 'object')
        return;

    const refusals = {
        1: 'The storage quota is exceeded',
        2: 'Synchronised storage holds at most 1024 keys',
        3: 'An item of synchronised storage takes at most 61440 characters',
    };

    // The native object behind each storage object, under the proxy and under its target.
    const natives = new WeakMap();
    const nativeOf = object => {
        const native = natives.get(object);
        if (!native)
            throw new TypeError('Illegal invocation');
        return native;
    };
    const store = (native, args) => {
        const code = native.setItem(...args);
        if (code !== 0)
            throw new DOMException(refusals[code] || refusals[1], 'QuotaExceededError');
    };

    class Storage {
        get length() {
            return nativeOf(this).length;
        }
        key(index) {
            return nativeOf(this).key(...arguments);
        }
        getItem(key) {
            return nativeOf(this).getItem(...arguments);
        }
        setItem(key, value) {
            store(nativeOf(this), arguments);
        }
        removeItem(key) {
            nativeOf(this).removeItem(...arguments);
        }
        clear() {
            nativeOf(this).clear();
        }
    }

    class SyncStorage extends EventTarget {}
    for (const name of Object.getOwnPropertyNames(Storage.prototype)) {
        if (name !== 'constructor')
            Object.defineProperty(SyncStorage.prototype, name,
                                  Object.getOwnPropertyDescriptor(Storage.prototype, name));
    }
    EventTarget.defineHandlers(SyncStorage.prototype, ['change']);

    class StorageChangeEvent extends Event {
        constructor(key, oldValue, newValue) {
            super('change');
            Object.defineProperties(this, {
                key: {value: key, enumerable: true},
                oldValue: {value: oldValue, enumerable: true},
                newValue: {value: newValue, enumerable: true},
            });
        }
    }

    // Names the object has itself (its members, what Object.prototype gives) are not items.
    const isItemName = (target, name) => typeof name === 'string' && !(name in target);
    const itemDescriptor = (target, name) => {
        const value = natives.get(target).getItem(name);
        return value === null ? undefined : {value, writable: true, enumerable: true, configurable: true};
    };
    const handler = {
        get(target, name, receiver) {
            if (!isItemName(target, name))
                return Reflect.get(target, name, receiver);
            const value = natives.get(target).getItem(name);
            return value === null ? undefined : value;
        },
        set(target, name, value, receiver) {
            if (!isItemName(target, name))
                return Reflect.set(target, name, value, receiver);
            store(natives.get(target), [name, value]);
            return true;
        },
        has(target, name) {
            return isItemName(target, name) ? natives.get(target).getItem(name) !== null : Reflect.has(target, name);
        },
        deleteProperty(target, name) {
            if (!isItemName(target, name))
                return Reflect.deleteProperty(target, name);
            natives.get(target).removeItem(name);
            return true;
        },
        getOwnPropertyDescriptor(target, name) {
            return isItemName(target, name) ? itemDescriptor(target, name)
                                            : Reflect.getOwnPropertyDescriptor(target, name);
        },
        ownKeys(target) {
            const native = natives.get(target);
            const keys = [];
            for (let index = 0, length = native.length; index < length; ++index) {
                const key = native.key(index);
                if (key !== null && isItemName(target, key))
                    keys.push(key);
            }
            return keys.concat(Reflect.ownKeys(target));
        },
    };

    const make = (prototype, native) => {
        const target = Object.create(prototype);
        const storage = new Proxy(target, handler);
        natives.set(target, native);
        natives.set(storage, native);
        return storage;
    };
    const makeSync = () => {
        const native = new VeltoRuntime.SyncStorage();
        const storage = make(SyncStorage.prototype, native);
        native.onchange = change =>
            storage.dispatchEvent(new StorageChangeEvent(change.key, change.oldValue, change.newValue));
        return storage;
    };

    // Made on first read, once per context.
    const lazily = (object, name, makeOne) => {
        let made;
        Object.defineProperty(object, name, {
            enumerable: true,
            configurable: true,
            get() {
                if (made === undefined)
                    made = makeOne();
                return made;
            },
        });
    };
    lazily(global, 'localStorage', () => make(Storage.prototype, new VeltoRuntime.LocalStorage()));
    if (typeof Velto === 'object' && Velto !== null)
        lazily(Velto, 'syncStorage', makeSync);
})(this);
