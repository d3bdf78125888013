// Takes the address space in ever smaller pieces, until not even a thread's stack would fit, then has
// an exception reported while the memory is still taken.
let kept = [];
let caught = null;
for (const size of [64 << 20, 4 << 20, 1 << 20, 256 << 10]) {
    try {
        for (;;)
            kept.push(new ArrayBuffer(size));
    } catch (error) {
        caught = error;
    }
}
console.log('caught', caught && caught.name);
setTimeout(() => {
    throw new Error('reported under pressure');
}, 0);
setTimeout(() => {
    kept = null;
    console.log('after');
}, 10);
