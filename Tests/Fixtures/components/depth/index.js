// A chain as deep as a tree may be (the window and 999 components, 1000 levels) lays out and shows in
// a window; a level more is refused with a RangeError and changes nothing, however it would come.
const window = new Velto.Window({
    type: 'widget',
    style: { left: 0, top: 0, width: 200, height: 100, backgroundColor: '#0000ff' },
});
let tip = window, second = null;
for (let level = 2; level <= 1000; level++) {
    const next = new Velto.Component({ style: { flexGrow: 1, backgroundColor: '#00ff00' } });
    tip.appendChild(next);
    second = tip;
    tip = next;
}
function attempt(label, call) {
    try {
        call();
        console.log(label, 'added');
    } catch (e) {
        console.log(label, e.constructor.name, e.message);
    }
}
attempt('a leaf under the deepest', () => tip.appendChild(new Velto.Component()));
const pair = new Velto.Component();
pair.appendChild(new Velto.Component());
attempt('two levels under the second deepest', () => second.appendChild(pair, 0));
console.log('unchanged', tip.children.length, second.children.length);

// A detached chain of 10,000 built from its bottom stops growing at the limit.
let top = new Velto.Component();
let levels = 1;
for (let i = 1; i < 10000; i++) {
    const above = new Velto.Component();
    try {
        above.appendChild(top);
    } catch (e) {
        break;
    }
    top = above;
    levels++;
}
console.log('detached chain', levels);
attempt('the detached chain under the window', () => window.appendChild(top));

window.show();
console.log('deepest width', tip.width, tip.height);
