// Shows a white widget window that says "click" when clicked; openAnother() opens a second one beside it.
const open = (left) => {
  const window = new Velto.Window({
    type: 'widget',
    style: { left, top: 100, width: 160, height: 80, backgroundColor: '#ffffff' },
  });
  window.onclick = () => console.log('click');
  window.show();
  return window;
};
const windows = [open(200)];
globalThis.openAnother = () => {
  windows.push(open(400));
  console.log('opened');
};
console.log('shown');
setInterval(() => {}, 60000);
