// queueMicrotask runs before timers, in order; a callback that throws is reported and stops nothing.
setTimeout(() => console.log('timer'), 0);
queueMicrotask(() => console.log('first microtask'));
queueMicrotask(() => {
    throw new RangeError('from a microtask');
});
queueMicrotask(() => console.log('third microtask'));
console.log('script end');
try {
    queueMicrotask('console.log(1)');
} catch (error) {
    console.log(error.name + ': ' + error.message);
}
