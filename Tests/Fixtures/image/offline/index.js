// An http source in a widget that may not reach the network.
const image = new Velto.Image({ src: Velto.launchOptions.base + '/wide.png' });
image.onload = () => console.log('load');
image.onerror = (e) => console.log('error', JSON.stringify(e));
