// A first script: velto eval prints console lines, and messages sent to a handler given with --handler.
console.log('Hello from Velto', {engine: 'JavaScriptCore'});
postMessage('greeting', {text: 'hello', at: new Date(0)});
