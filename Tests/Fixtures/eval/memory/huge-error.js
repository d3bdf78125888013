// An error whose message and stack hold 64 million characters each.
const text = 'x'.repeat(64 * 1024 * 1024);
const error = new Error(text);
error.stack = text;
setTimeout(() => console.log('still running'), 0);
throw error;
