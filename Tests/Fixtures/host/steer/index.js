// Does what the host's calls ask: echo posts its arguments to "out", then "done"; say posts to a name;
// spin keeps the thread busy for a while.
globalThis.echo = (...args) => {
  postMessage('out', args);
  postMessage('out', 'done');
};
globalThis.say = (name) => postMessage(name, 'hi');
globalThis.spin = (ms) => {
  const end = Date.now() + ms;
  while (Date.now() < end) {}
};
setInterval(() => {}, 60000);
