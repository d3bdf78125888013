// A widget window of 400 by 300 points, its top half red and its bottom half blue; resize() makes it
// 300 by 200.
const style = { left: 200, top: 100, width: 400, height: 300, backgroundColor: '#0000ff' };
const window = new Velto.Window({ type: 'widget', style });
window.appendChild(new Velto.Component({
    style: { position: 'absolute', left: 0, top: 0, width: 400, height: 150, backgroundColor: '#ff0000' },
}));
window.show();
globalThis.resize = () => {
    window.style = { ...style, width: 300, height: 200 };
};
setInterval(() => {}, 60000);
