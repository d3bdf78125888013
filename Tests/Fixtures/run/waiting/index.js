// Says that it waits, then waits on a timer a minute ahead.
console.log('waiting');
setTimeout(() => console.log('done'), 60000);
