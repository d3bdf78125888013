// Every error path of appendChild and removeChild, and moves that keep the order.
const C = Velto.Component;
const names = new Map();
function name(component) {
    return names.get(component);
}
function make(label) {
    const c = new C();
    names.set(c, label);
    return c;
}
function attempt(label, call) {
    try {
        const result = call();
        console.log(label, 'returned', result);
    } catch (e) {
        console.log(label, e.constructor.name, e.message.replace(/0x[0-9a-f]+/g, '0x…'));
    }
}
function order(parent) {
    return parent.children.map(name).join(',');
}

const p = make('p'), q = make('q'), a = make('a'), b = make('b'), c = make('c');
attempt('no argument', () => p.appendChild());
attempt('a number', () => p.appendChild(5));
attempt('plain object', () => p.appendChild({}));
attempt('style object', () => p.appendChild(p.style));
attempt('self', () => p.appendChild(p));
attempt('index 1 of 0', () => p.appendChild(a, 1));
attempt('index 1.5', () => p.appendChild(a, 1.5));
attempt('index -2', () => p.appendChild(a, -2));
attempt('index NaN', () => p.appendChild(a, NaN));
attempt('index Infinity', () => p.appendChild(a, Infinity));
attempt('index as text', () => p.appendChild(a, '7'));
attempt('index -1', () => p.appendChild(b, -1));
attempt('index at the end', () => p.appendChild(c, 2));
console.log(order(p));
attempt('move to the front', () => p.appendChild(c, 0));
attempt('move past the end', () => p.appendChild(c, 3));
console.log(order(p));
attempt('move last', () => p.appendChild(c, 2));
console.log(order(p));
attempt('ancestor under descendant', () => a.appendChild(p));
q.appendChild(b);
console.log(order(p), '|', order(q));

attempt('remove nothing', () => p.removeChild());
attempt('remove plain object', () => p.removeChild({}));
attempt('remove self', () => p.removeChild(p));
attempt('remove a stranger', () => p.removeChild(b));
attempt('remove a child', () => p.removeChild(a));
console.log(order(p), '|', order(q));
attempt('remove', () => c.remove());
attempt('remove again', () => c.remove());
console.log('[' + order(p) + ']');
attempt('destroy', () => q.destroy());
console.log(order(q));
attempt('illegal', () => a.appendChild.call({}, a));
attempt('off on another class', () => a.offclick.call(p.style));
