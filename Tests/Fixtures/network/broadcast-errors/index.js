// What a BroadcastChannel refuses, thrown as DOMExceptions: values that can't be cloned, messages over
// 1 MB, scopes the widget has no owner for, and posts on a closed channel.
const report = (what, action) => {
    try {
        action();
        console.log(what, 'passed');
    } catch (error) {
        console.log(what, error instanceof DOMException ? 'DOMException' : 'other', error.name, error.message);
    }
};
const channel = new BroadcastChannel('errors');
report('function', () => channel.postMessage(() => 1));
report('method', () => channel.postMessage({ run() {} }));
report('symbol', () => channel.postMessage([Symbol('s')]));
report('promise', () => channel.postMessage(Promise.resolve()));
report('weak map', () => channel.postMessage(new WeakMap()));
report('blob', () => channel.postMessage(new Blob(['x'])));
report('channel', () => channel.postMessage(channel));
report('too big', () => channel.postMessage('x'.repeat(600000)));
report('unknown scope', () => new BroadcastChannel('x', { scope: 'world' }));
report('namespace', () => new BroadcastChannel('x', { scope: 'namespace' }));
report('no name', () => new BroadcastChannel());
channel.close();
channel.close();
report('closed', () => channel.postMessage(1));
