// Speaks once, a little later.
setTimeout(() => console.log('late'), 100);
