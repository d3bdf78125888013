console.log('a', {b: 1});
console.warn('careful');
postMessage('out', {n: 1, list: [1, 'two', null], when: new Date(0), half: 0.5});
postMessage('missing', 1);
postMessage('out');
throw new TypeError('boom');
