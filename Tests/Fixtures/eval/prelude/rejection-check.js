// velto eval: --fallback-promise
// The prelude's own rejection check is no script timer: the script's first timer is 1, and clearing
// the script's timers leaves the check to report this rejection and every later one.
Promise.reject(new Error('before the timers were cleared'));
for (let id = -1; id <= 3; id++) {
    clearTimeout(id);
    clearInterval(id);
}
const first = setTimeout(() => {
    Promise.reject(new Error('after the timers were cleared'));
}, 5);
console.log('first timer:', first);
