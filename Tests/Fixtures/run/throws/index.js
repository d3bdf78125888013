// Throws while it loads: the launch fails.
console.log('loading');
throw new TypeError('not today');
