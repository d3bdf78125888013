// A 48 by 32 picture contained in a 120 by 40 box: it is drawn 60 by 40 in the middle, with the
// window's black showing on either side.
const window = new Velto.Window({
    type: 'widget',
    style: { left: 300, top: 200, width: 120, height: 40, backgroundColor: '#000000' },
});
const image = new Velto.Image({ size: 'contain', style: { width: 120, height: 40 } });
window.appendChild(image);
image.onload = () => console.log('load');
image.src = 'wide.png';
window.show();
