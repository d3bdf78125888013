// Six blue widget windows, one above the other from y 100, each with a red 40 by 20 canvas at 10,10.
// Opaque canvases show black over the red; a transparent one and one without a context show the red.
function windowWithCanvas(top, options) {
    const window = new Velto.Window({
        type: 'widget',
        style: { left: 100, top, width: 120, height: 40, backgroundColor: '#0000ff' },
    });
    const canvas = new Velto.Canvas({
        style: { position: 'absolute', left: 10, top: 10, width: 40, height: 20, backgroundColor: '#ff0000' },
    });
    window.appendChild(canvas);
    window.show();
    if (options !== undefined)
        canvas.getContext('2d', options);
    return canvas;
}

windowWithCanvas(100, { alpha: false });
// A 10 by 10 buffer, stretched over the component.
const small = windowWithCanvas(150, { alpha: false });
small.width = 10;
small.height = 10;
// Laid out wider once shown.
const wider = windowWithCanvas(200, { alpha: false });
requestAnimationFrame(() => { wider.style.width = 80; });
windowWithCanvas(250, { alpha: true });
windowWithCanvas(300);
windowWithCanvas(350, { alpha: false, antialias: true });
