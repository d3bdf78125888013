// Says each tick of a short interval until it is terminated.
let ticks = 0;
setInterval(() => console.log('tick', ++ticks), 5);
