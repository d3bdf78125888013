// velto eval: --fallback-promise
// The prelude's Promise reports rejections that no handler took, once, after the task and its microtasks.
console.log('replaced:', !Promise.toString().includes('[native code]'), Promise.name);
Promise.reject(new Error('nobody handles this'));
const handledLater = Promise.reject(new Error('handled in the same task'));
handledLater.catch(() => console.log('caught'));
new Promise((resolve, reject) => reject('rejected by the executor'));
new Promise(() => {
    throw new TypeError('thrown by the executor');
});
new Promise((resolve) => resolve(Promise.reject('adopted rejection'))).catch(() => {});
new Promise((resolve) => resolve(Promise.reject('adopted and unhandled')));
Promise.resolve().then(() => {
    throw new RangeError('thrown in a reaction');
});
const inMicrotask = Promise.reject('handled in a microtask');
queueMicrotask(() => inMicrotask.then(undefined, () => {}));
try {
    new Promise(5);
} catch (error) {
    console.log(error.name + ': ' + error.message);
}
console.log('instances:', (async () => {})() instanceof Promise, Promise.resolve(1) instanceof Promise,
            Promise.all([]) instanceof Promise, {} instanceof Promise);
Promise.all([Promise.resolve(1), 2]).then((values) => console.log('all:', values.join()));
(async () => {
    const value = await new Promise((resolve) => setTimeout(() => resolve('awaited'), 1));
    console.log(value);
})();
