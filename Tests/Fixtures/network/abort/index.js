// AbortSignal.timeout aborts its signal once the time has passed, with a TimeoutError.
const quick = AbortSignal.timeout(5);
quick.addEventListener('abort', () => console.log('timed out', quick.aborted, quick.reason.name, quick.reason.message));
console.log('waiting', quick.aborted);
