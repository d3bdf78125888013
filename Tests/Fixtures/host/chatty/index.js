// Says two lines, posts twice to "ui" (the second time nothing) and throws from a timer.
console.log('one');
console.warn('two');
postMessage('ui', { n: 1 });
postMessage('ui');
setTimeout(() => { throw new Error('boom'); }, 0);
