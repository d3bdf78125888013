// Pictures from the loopback server that the launch options name, each source in turn.
const base = Velto.launchOptions.base;
const steps = [
    ['picture', (image) => { image.src = base + '/wide.png'; }],
    ['beyond the cap', (image) => { image.src = base + '/huge.png'; }],
    ['not a picture', (image) => { image.src = base + '/text.png'; }],
    ['missing', (image) => { image.src = base + '/missing.png'; }],
    ['second source wins', (image) => {
        image.src = base + '/wide.png?first';
        image.src = base + '/square.png';
    }],
];
function next() {
    const step = steps.shift();
    if (!step)
        return;
    const [label, start] = step;
    const image = new Velto.Image();
    image.onload = () => {
        console.log(label, 'load', image.width, image.height);
        next();
    };
    image.onerror = (e) => {
        console.log(label, 'error', JSON.stringify(e));
        next();
    };
    start(image);
}
next();
