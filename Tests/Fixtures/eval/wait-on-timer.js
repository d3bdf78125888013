// Says that it waits, then waits on a timer 8 seconds ahead.
console.log('waiting');
setTimeout(() => console.log('done'), 8000);
