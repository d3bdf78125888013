// Shows a widget window and waits; closeWindow() closes it.
const window = new Velto.Window({ type: 'widget', style: { left: 200, top: 100, width: 160, height: 80 } });
window.show();
globalThis.closeWindow = () => window.close();
console.log('opened');
setInterval(() => {}, 60000);
