// When the engine reports unhandled rejections itself, the native Promise stays.
console.log('native:', Promise.toString().includes('[native code]'));
Promise.reject(new Error('reported by the engine'));
Promise.reject(new Error('handled')).catch(() => {});
