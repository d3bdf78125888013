// Prints its launch options, sends a message, makes code from text and ends once its last timer ran.
const options = Velto.launchOptions;
console.log('options', options, Object.isFrozen(options), Object.isFrozen(options.parameters));
postMessage('out', { apiVersion: Velto.apiVersion, sum: eval('20 + 22') });
setTimeout(() => console.warn('later', new Function('a', 'return a * 2')(21)), 20);
