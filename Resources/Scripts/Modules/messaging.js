// The place of WebSocket and BroadcastChannel in the Network prelude.

// BroadcastChannel over the channels of the native side. A message travels as a tree, the text of its
// structured clone, and the ArrayBuffers that the tree refers to by index. Every channel of the runtime
// has an id; a post carries its channel's id and the newest id at the time, so that a channel skips its
// own posts and those made before it. Messages from other runtimes carry -1 for both.
{
    // The structured clone as text: serialize(value) gives {tree, buffers}; deserialize(tree, buffers)
    // gives the copy, or throws when the tree can't be read. The tree is JSON of one encoding per value:
    // strings, booleans, null and finite numbers as themselves; everything else as an array whose first
    // entry names its kind. An object met again is ["r", n], the n-th object met, counted alike both
    // ways, so shared references and cycles survive. An ArrayBuffer is ["ab", index], never shorter
    // than 8 units, so that a tree always refers to at most a eighth of its length in buffers.
    internal.structuredClone = internal.once(() => {
        const native = internal.native;
        const { Object, Array, Map, Set, Date, RegExp, ArrayBuffer, DataView, JSON, Boolean, Number, String, BigInt } = global;
        const { DOMException, EventTarget, Event } = global;
        // Taken now, so that a script that replaces them later changes no clone.
        const getter = (prototype, name) => Object.getOwnPropertyDescriptor(prototype, name).get;
        const TypedArray = Object.getPrototypeOf(Int8Array);
        const typedArrayKind = getter(TypedArray.prototype, Symbol.toStringTag);
        const typedArrayBuffer = getter(TypedArray.prototype, 'buffer');
        const typedArrayOffset = getter(TypedArray.prototype, 'byteOffset');
        const typedArrayLength = getter(TypedArray.prototype, 'length');
        const viewBuffer = getter(DataView.prototype, 'buffer');
        const viewOffset = getter(DataView.prototype, 'byteOffset');
        const viewLength = getter(DataView.prototype, 'byteLength');
        const bufferLength = getter(ArrayBuffer.prototype, 'byteLength');
        const mapSize = getter(Map.prototype, 'size');
        const mapEntries = Map.prototype.entries;
        const setSize = getter(Set.prototype, 'size');
        const setValues = Set.prototype.values;
        const regExpSource = getter(RegExp.prototype, 'source');
        const regExpFlags = getter(RegExp.prototype, 'flags');
        const dateTime = Date.prototype.getTime;
        const booleanValue = Boolean.prototype.valueOf;
        const numberValue = Number.prototype.valueOf;
        const stringValue = String.prototype.valueOf;
        const bigIntValue = BigInt.prototype.valueOf;
        const toString = Object.prototype.toString;
        const hasOwn = (object, key) => Object.prototype.hasOwnProperty.call(object, key);
        const views = {
            Int8Array, Uint8Array, Uint8ClampedArray, Int16Array, Uint16Array, Int32Array, Uint32Array,
            Float32Array, Float64Array, BigInt64Array, BigUint64Array, DataView,
        };
        const errorKinds = {
            Error, EvalError, RangeError, ReferenceError, SyntaxError, TypeError, URIError,
        };
        // Whether the brand check passes, that is whether the value is of that built-in kind.
        const is = (check, value) => {
            try {
                check.call(value);
                return true;
            } catch {
                return false;
            }
        };
        const cloneError = what => new DOMException(`BroadcastChannel.postMessage: ${what} can't be cloned`, 'DataCloneError');
        const unreadable = () => new TypeError('The message could not be read');

        const number = value => {
            if (value !== value)
                return ['n', 'NaN'];
            if (value === 0 && 1 / value < 0)
                return ['n', '-0'];
            if (value === Infinity || value === -Infinity)
                return ['n', String(value)];
            return value;
        };
        const numberOf = encoded => {
            if (typeof encoded === 'number')
                return encoded;
            if (Array.isArray(encoded) && encoded[0] === 'n' && ['NaN', '-0', 'Infinity', '-Infinity'].includes(encoded[1]))
                return Number(encoded[1]);
            throw unreadable();
        };

        const serialize = value => {
            const seen = new Map();
            const buffers = [];
            const pairs = (encoded, keys, object) => {
                for (const key of keys)
                    encoded.push(key, write(object[key]));
                return encoded;
            };
            // The built-in kinds: the tag that a genuine object of the kind shows, its brand check and its
            // writer. The kind the tag names is tried first, so that genuine objects throw nothing on the way.
            const builtIns = [
                ['[object ArrayBuffer]', bufferLength, object => {
                    buffers.push(object);
                    return ['ab', buffers.length - 1];
                }],
                ['[object DataView]', viewLength, object =>
                    ['V', 'DataView', write(viewBuffer.call(object)), viewOffset.call(object), viewLength.call(object)]],
                ['[object Date]', dateTime, object => ['D', number(dateTime.call(object))]],
                ['[object RegExp]', regExpSource, object => ['R', regExpSource.call(object), regExpFlags.call(object)]],
                ['[object Map]', mapSize, object => {
                    const encoded = ['M'];
                    for (const [key, entry] of mapEntries.call(object))
                        encoded.push(write(key), write(entry));
                    return encoded;
                }],
                ['[object Set]', setSize, object => {
                    const encoded = ['T'];
                    for (const entry of setValues.call(object))
                        encoded.push(write(entry));
                    return encoded;
                }],
                ['[object Boolean]', booleanValue, object => ['B', booleanValue.call(object)]],
                ['[object Number]', numberValue, object => ['N', number(numberValue.call(object))]],
                ['[object String]', stringValue, object => ['S', stringValue.call(object)]],
                ['[object BigInt]', bigIntValue, object => ['I', String(bigIntValue.call(object))]],
            ];
            const writeBuiltIn = (object, tag) => {
                const hinted = builtIns.find(([kindTag]) => kindTag === tag);
                for (const [kindTag, check, writeKind] of hinted ? [hinted, ...builtIns] : builtIns) {
                    if (is(check, object))
                        return writeKind(object);
                }
                return undefined;
            };
            const writeObject = object => {
                if (Array.isArray(object)) {
                    const keys = Object.keys(object);
                    const length = object.length;
                    if (keys.length === length && (length === 0 || keys[length - 1] === String(length - 1))) {
                        const encoded = ['a'];
                        for (let index = 0; index < length; ++index)
                            encoded.push(write(object[index]));
                        return encoded;
                    }
                    return pairs(['A', length], keys, object);
                }
                const tag = toString.call(object);
                // Plain objects, and objects of classes that name themselves no other way, are cloned as plain
                // objects; but not the events and event targets of the preludes.
                if (tag === '[object Object]' || tag === '[object Arguments]') {
                    if (object instanceof EventTarget || object instanceof Event)
                        throw cloneError('a native object');
                    return pairs(['O'], Object.keys(object), object);
                }
                const view = typedArrayKind.call(object);
                if (view !== undefined)
                    return ['V', view, write(typedArrayBuffer.call(object)), typedArrayOffset.call(object), typedArrayLength.call(object)];
                if (tag === '[object Error]') {
                    const name = object.name;
                    const message = Object.getOwnPropertyDescriptor(object, 'message');
                    const stack = object.stack;
                    return ['E', hasOwn(errorKinds, name) ? name : 'Error', message && 'value' in message ? String(message.value) : ['u'],
                        typeof stack === 'string' ? stack : ['u']];
                }
                const written = writeBuiltIn(object, tag);
                if (written !== undefined)
                    return written;
                // What is left has state of its own that no clone carries: native objects, promises, weak
                // collections, symbols, and the classes of the preludes, which name themselves by their tags.
                throw cloneError(native.isBindingObject(object) ? 'a native object' : `a ${tag.slice(8, -1)}`);
            };
            const write = value => {
                switch (typeof value) {
                case 'string':
                case 'boolean':
                    return value;
                case 'number':
                    return number(value);
                case 'undefined':
                    return ['u'];
                case 'bigint':
                    return ['b', String(value)];
                case 'symbol':
                    throw cloneError('a symbol');
                case 'function':
                    throw cloneError('a function');
                }
                if (value === null)
                    return null;
                const known = seen.get(value);
                if (known !== undefined)
                    return ['r', known];
                seen.set(value, seen.size);
                return writeObject(value);
            };
            const tree = JSON.stringify(write(value));
            return { tree, buffers };
        };

        const deserialize = (tree, buffers) => {
            const objects = [];
            // The object's place, taken before its contents are read, as the writer counted it.
            const made = object => {
                objects.push(object);
                return object;
            };
            const define = (object, key, value) => {
                if (typeof key !== 'string')
                    throw unreadable();
                Object.defineProperty(object, key, { value, writable: true, enumerable: true, configurable: true });
            };
            const string = value => {
                if (typeof value !== 'string')
                    throw unreadable();
                return value;
            };
            const bufferAt = index => {
                if (!Number.isInteger(index) || index < 0 || index >= buffers.length)
                    throw unreadable();
                const buffer = buffers[index];
                return made(buffer === null ? new ArrayBuffer(0) : buffer);
            };
            const readObject = encoded => {
                switch (encoded[0]) {
                case 'a': {
                    const array = made([]);
                    for (let index = 1; index < encoded.length; ++index)
                        define(array, String(index - 1), read(encoded[index]));
                    return array;
                }
                case 'A': {
                    const array = made([]);
                    array.length = numberOf(encoded[1]);
                    for (let index = 2; index < encoded.length; index += 2)
                        define(array, encoded[index], read(encoded[index + 1]));
                    return array;
                }
                case 'O': {
                    const object = made({});
                    for (let index = 1; index < encoded.length; index += 2)
                        define(object, encoded[index], read(encoded[index + 1]));
                    return object;
                }
                case 'M': {
                    const map = made(new Map());
                    for (let index = 1; index < encoded.length; index += 2)
                        map.set(read(encoded[index]), read(encoded[index + 1]));
                    return map;
                }
                case 'T': {
                    const set = made(new Set());
                    for (let index = 1; index < encoded.length; ++index)
                        set.add(read(encoded[index]));
                    return set;
                }
                case 'ab':
                    return bufferAt(encoded[1]);
                case 'V': {
                    const place = objects.length;
                    objects.push(undefined);
                    const View = hasOwn(views, encoded[1]) ? views[encoded[1]] : null;
                    const buffer = read(encoded[2]);
                    if (!View || !is(bufferLength, buffer))
                        throw unreadable();
                    return (objects[place] = new View(buffer, numberOf(encoded[3]), numberOf(encoded[4])));
                }
                case 'D':
                    return made(new Date(numberOf(encoded[1])));
                case 'R':
                    return made(new RegExp(string(encoded[1]), string(encoded[2])));
                case 'B':
                    return made(Object(Boolean(encoded[1])));
                case 'N':
                    return made(Object(numberOf(encoded[1])));
                case 'S':
                    return made(Object(string(encoded[1])));
                case 'I':
                    return made(Object(BigInt(string(encoded[1]))));
                case 'E': {
                    const Kind = hasOwn(errorKinds, encoded[1]) ? errorKinds[encoded[1]] : Error;
                    const message = read(encoded[2]);
                    const error = made(message === undefined ? new Kind() : new Kind(string(message)));
                    const stack = read(encoded[3]);
                    if (stack !== undefined)
                        define(error, 'stack', string(stack));
                    return error;
                }
                }
                throw unreadable();
            };
            const read = encoded => {
                if (typeof encoded !== 'object' || encoded === null)
                    return encoded;
                if (!Array.isArray(encoded))
                    throw unreadable();
                switch (encoded[0]) {
                case 'n':
                    return numberOf(encoded);
                case 'u':
                    return undefined;
                case 'b':
                    return BigInt(string(encoded[1]));
                case 'r': {
                    const index = encoded[1];
                    if (!Number.isInteger(index) || index < 0 || index >= objects.length || objects[index] === undefined)
                        throw unreadable();
                    return objects[index];
                }
                }
                return readObject(encoded);
            };
            return read(JSON.parse(tree));
        };

        return { serialize, deserialize };
    });

    internal.broadcastChannels = internal.once(() => {
        const native = internal.native;
        const { MessageEvent } = internal.events();
        const { serialize, deserialize } = internal.structuredClone();
        const { EventTarget, DOMException } = global;

        // BroadcastChannel to {id, scope, name, key, closed}.
        const channels = internal.privateStates();
        const stateOf = channels.of;
        // "scope\nname" to the open channels of that name, oldest first.
        const open = new Map();
        let lastId = 0;

        // A refusal of the native side, as the DOMException it names.
        const check = result => {
            if (result !== null && typeof result === 'object')
                throw new DOMException(String(result.message), String(result.error));
        };
        const copiesOf = buffers => {
            const copies = [];
            for (let index = 0; index < buffers.length; ++index)
                copies.push(buffers[index] === null ? null : buffers[index].slice(0));
            return copies;
        };

        // Called by the native side in a turn of its own, for every message of a name that is open here.
        const deliver = (scope, name, tree, buffers, sourceId, newestId) => {
            const list = open.get(scope + '\n' + name);
            if (!list)
                return;
            // The channels open now that were made by the post's time, but for the poster.
            const targets = [];
            for (const channel of list) {
                const id = stateOf(channel).id;
                if (id !== sourceId && (newestId < 0 || id <= newestId))
                    targets.push(channel);
            }
            for (let index = 0; index < targets.length; ++index) {
                const channel = targets[index];
                if (stateOf(channel).closed)
                    continue;
                let data;
                try {
                    // Each channel gets a clone of its own; the last one takes the delivered buffers.
                    data = deserialize(tree, index === targets.length - 1 ? buffers : copiesOf(buffers));
                } catch {
                    channel.dispatchEvent(new MessageEvent('messageerror'));
                    continue;
                }
                channel.dispatchEvent(new MessageEvent('message', { data }));
            }
        };

        class BroadcastChannel extends EventTarget {
            constructor(name, options = undefined) {
                if (arguments.length < 1)
                    throw new TypeError('BroadcastChannel: 1 argument required, but only 0 present');
                super();
                const settings = options === undefined || options === null ? {} : Object(options);
                const scope = settings.scope === undefined ? 'package' : String(settings.scope);
                const channelName = String(name);
                check(native.channelOpen(scope, channelName, deliver));
                const key = scope + '\n' + channelName;
                channels.set(this, { id: ++lastId, scope, name: channelName, key, closed: false });
                if (!open.has(key))
                    open.set(key, []);
                open.get(key).push(this);
            }
            get name() {
                return stateOf(this).name;
            }
            postMessage(message) {
                const state = stateOf(this);
                if (arguments.length < 1)
                    throw new TypeError('BroadcastChannel.postMessage: 1 argument required, but only 0 present');
                if (state.closed)
                    throw new DOMException('BroadcastChannel.postMessage: the channel is closed', 'InvalidStateError');
                const { tree, buffers } = serialize(message);
                const othersHere = open.get(state.key).length > 1;
                check(native.channelPost(state.scope, state.name, tree, buffers, state.id, lastId, othersHere));
            }
            close() {
                const state = stateOf(this);
                if (state.closed)
                    return;
                state.closed = true;
                const list = open.get(state.key);
                list.splice(list.indexOf(this), 1);
                if (list.length === 0) {
                    open.delete(state.key);
                    native.channelClose(state.scope, state.name);
                }
            }
        }
        EventTarget.defineHandlers(BroadcastChannel.prototype, ['message', 'messageerror']);
        Object.defineProperty(BroadcastChannel.prototype, Symbol.toStringTag, { value: 'BroadcastChannel', configurable: true });

        return { BroadcastChannel };
    });
    internal.defineLazyGlobals(['BroadcastChannel'], internal.broadcastChannels);
}
