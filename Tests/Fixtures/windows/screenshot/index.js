// A widget window placed by its style, blue, with a red child near its top left corner.
const window = new Velto.Window({
    type: 'widget',
    style: { left: 200, top: 100, width: 160, height: 80, backgroundColor: '#0000ff' },
});
window.appendChild(new Velto.Component({
    style: { position: 'absolute', left: 20, top: 10, width: 40, height: 30, backgroundColor: '#ff0000' },
}));
window.show();
