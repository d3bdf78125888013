// Ticks until the time-out ends it.
console.log('ticking');
setInterval(() => {}, 50);
