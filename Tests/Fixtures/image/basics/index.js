// An image reads back its defaults, takes only the exact fit and alignment texts, keeps its source
// for an empty one, loads a package picture and measures by it, and reports sources that fail.
const I = Velto.Image;
const img = new I();
console.log('defaults', img.size, img.position, img.src, img instanceof Velto.Component);
for (const value of ['Cover', 2, ' cover', null])
    img.size = value;
for (const value of ['Top', 4, 'topleft', {}])
    img.position = value;
console.log('ignored', img.size, img.position);
img.size = 'cover';
img.position = 'bottom-right';
console.log('set', img.size, img.position);
const made = new I({ size: 'none', position: 'nowhere', src: '' });
console.log('options', made.size, made.position, made.src);
try {
    new I({ get src() { throw new Error('no src'); } });
} catch (e) {
    console.log('threw', e.message);
}

// Each source in turn; the next starts once the last one reported.
const root = new Velto.Component({ style: { width: 300, height: 300, alignItems: 'flex-start' } });
const steps = [
    ['package picture', (image) => {
        image.style.width = 96;
        image.src = 'wide.png';
        image.src = '';
        image.src = 5;
    }],
    ['percent width', (image) => {
        image.style.width = '50%';
        image.src = 'wide.png';
    }],
    ['unresolvable', (image) => { image.src = 'ftp://example.com/a.png'; }],
    ['escaping', (image) => { image.src = '../../outside.png'; }],
    ['missing file', (image) => { image.src = 'missing.png'; }],
    ['not a picture', (image) => { image.src = 'text.png'; }],
    ['second source wins', (image) => {
        image.src = 'text.png';
        image.src = 'wide.png';
    }],
];
function next() {
    const step = steps.shift();
    if (!step)
        return;
    const [label, start] = step;
    const image = new I();
    root.appendChild(image);
    image.onload = () => {
        console.log(label, 'load', image.src, image.width, image.height);
        next();
    };
    image.onerror = (e) => {
        console.log(label, 'error', image.src, JSON.stringify(e));
        next();
    };
    start(image);
}
next();
