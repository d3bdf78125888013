// Timers with arguments, clamps and the shortest interval. Each check reports when it is done; the
// results are printed together, in a fixed order, when all are in.
const results = new Map();
const checks = ['arguments', 'out of range delays', 'interval of 0', 'clearing'];
const done = (name, result) => {
    results.set(name, result);
    if (results.size === checks.length)
        for (const check of checks)
            console.log(check + ':', results.get(check));
};

console.log('string callback:', setTimeout('console.log(1)', 0), 'no callback:', setTimeout());

setTimeout(function (a, b) {
    'use strict';
    done('arguments', [a, b, arguments.length, this === undefined].join(' '));
}, 5, 1, 'a');

// A kept longest delay must not have run when the out-of-range ones have.
let longestRan = false;
const longest = setTimeout(() => (longestRan = true), 2147483647);
const outOfRange = [];
for (const delay of [-5, NaN, 2147483648]) {
    setTimeout(() => {
        outOfRange.push(delay);
        if (outOfRange.length === 3) {
            done('out of range delays', outOfRange.join(' ') + ', longest ran: ' + longestRan);
            clearTimeout(longest);
        }
    }, delay);
}

// The n-th run of an interval never comes before n intervals have passed.
const start = Date.now();
const runs = [];
const fast = setInterval(() => {
    runs.push(Date.now() - start);
    if (runs.length === 5) {
        clearTimeout(fast);
        done('interval of 0', runs.every((elapsed, n) => elapsed >= 4 * (n + 1)) ? 'every 4 ms at most' : runs.join());
    }
}, 0);

const cleared = setTimeout(() => done('clearing', 'a cleared timer ran'), 10);
clearInterval(cleared);
const kept = setTimeout(() => done('clearing', 'a string did not clear'), 20);
clearTimeout(String(kept));
