// No console method throws, whatever it is given; a value without any text prints "[object]".
const revoked = Proxy.revocable({}, {});
revoked.revoke();
const revokedFunction = Proxy.revocable(() => {}, {});
revokedFunction.revoke();
const fail = () => {
    throw new Error('hostile');
};
const everyTrapThrows = new Proxy({}, {
    get: fail, has: fail, ownKeys: fail, getOwnPropertyDescriptor: fail, getPrototypeOf: fail,
});
const getTrapThrows = new Proxy({}, { get: fail });
const bigIntWithoutPrototype = Object.assign(Object.create(null), { big: 1n });
const cyclic = { name: 'cyclic' };
cyclic.self = cyclic;
const throwingStack = new Error('stack');
Object.defineProperty(throwingStack, 'stack', { get: fail });
const throwingMessage = new Error();
Object.defineProperty(throwingMessage, 'message', { get: fail });
const throwingConversions = { toJSON: fail, toString: fail, valueOf: fail };

const values = [
    ['revoked proxy', revoked.proxy],
    ['revoked function proxy', revokedFunction.proxy],
    ['every trap throws', everyTrapThrows],
    ['get trap throws', getTrapThrows],
    ['BigInt in a null-prototype object', bigIntWithoutPrototype],
    ['symbol', Symbol('s')],
    ['BigInt', 2n],
    ['cyclic object', cyclic],
    ['stack getter throws', throwingStack],
    ['message getter throws', throwingMessage],
    ['conversions throw', throwingConversions],
];
for (const [name, value] of values) {
    for (const level of ['log', 'info', 'warn', 'error', 'debug']) {
        try {
            console[level](name + ':', value);
        } catch (error) {
            console.log('console.' + level + ' threw for ' + name);
        }
    }
}
