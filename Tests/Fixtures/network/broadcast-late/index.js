// A channel closed before a message arrives hears nothing of it; a channel made after a post doesn't
// get that post. Messages arrive in a later turn, in the order of their posts.
const early = new BroadcastChannel('late');
const closing = new BroadcastChannel('late');
const sender = new BroadcastChannel('late');
early.onmessage = event => console.log('early heard', event.data, event instanceof MessageEvent);
closing.onmessage = () => console.log('closing heard');
sender.onmessage = () => console.log('sender heard itself');
sender.postMessage('first');
closing.close();
const late = new BroadcastChannel('late');
late.addEventListener('message', event => console.log('late heard', event.data));
sender.postMessage('second');
console.log('posted');
