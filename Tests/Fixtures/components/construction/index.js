// A detached component reads back what it was made with.
const C = Velto.Component;
const c = new C({ style: { width: 10, flexDirection: 'row', color: 'red', height: true }, events: ['click', 5, ''] });
console.log(c instanceof Velto.Component, c instanceof VeltoRuntime.Component);
console.log(c.style.cssText);
console.log(c.style.width, c.style.flexDirection, c.style.height, c.style.color);
console.log(/^0x[0-9a-f]+$/.test(c.identifier), c.identifier === c.identifier, c.identifier !== new C().identifier);
const before = c.identifier;
c.identifier = 'changed';
console.log(c.identifier === before);
console.log(c.style === c.style);

const a = new C(), b = new C();
c.appendChild(a);
c.appendChild(b);
const first = c.children, second = c.children;
console.log(first !== second, first.length, first[0] === a && first[1] === b, second[0] === a);

// Options that are missing, of the wrong kind or that throw.
console.log(new C().style.cssText === '', new C(5).style.cssText === '', new C({ style: [1] }).style.cssText === '');
try {
    new C({ get style() { throw new TypeError('no style'); } });
} catch (e) {
    console.log('threw', e.name, e.message);
}
try {
    new C({ style: {}, get events() { throw new Error('no events'); } });
} catch (e) {
    console.log('threw', e.name, e.message);
}
console.log(new C({ style: { get width() { throw 1; }, height: 4 } }).style.cssText);
