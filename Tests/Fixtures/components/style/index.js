// The style object: properties, cssText, and styles given whole.
const c = new Velto.Component();
const s = c.style;
function show(label) {
    console.log(label, '|' + s.cssText + '|');
}

const cases = [
    ['width 50%', () => { s.width = '50%'; }],
    ['width auto', () => { s.width = 'auto'; }],
    ['flexGrow 2px', () => { s.flexGrow = '2px'; }],
    ['colour number', () => { s.backgroundColor = 16711680; }],
    ['colour true', () => { s.backgroundColor = true; }],
    ['width null', () => { s.width = null; }],
    ['opacity object', () => { s.opacity = {}; }],
    ['css', () => { s.cssText = 'background-color: red; -vendor-x: 1; width:10px'; }],
    ['css start', () => { s.cssText = ' margin-start : 4 ;\n flex-direction:column;flex-direction: row;color: red;nothing'; }],
    ['css dashes', () => { s.cssText = 'min-Width: 3; max-width-: 4; flex-grow: 1'; }],
    ['css number', () => { s.cssText = 'width: 10'; }],
    ['css empty', () => { s.cssText = ''; }],
    ['refill', () => { s.cssText = 'width: 1'; }],
    ['css not text', () => { s.cssText = 42; }],
    ['style object', () => { c.style = { color: 'red', margin: 4, marginEnd: 2, paddingStart: '1px', top: [1] }; }],
    ['style 5', () => { c.style = 5; }],
    ['style date', () => { c.style = new Date(0); }],
    ['refill', () => { c.style = { height: 3 }; }],
    ['typed array', () => { c.style = new Float32Array(2); }],
    ['array buffer', () => { c.style = new ArrayBuffer(8); }],
    ['array', () => { c.style = ['width']; }],
    ['empty object', () => { c.style = {}; }],
    ['hostile', () => { s.cssText = ';;:;::' + 'a'.repeat(100000) + ':' + ';'.repeat(1000); }],
    ['throwing getter', () => { c.style = { get width() { throw new Error('no'); }, height: 5 }; }],
];
for (const [label, change] of cases) {
    change();
    show(label);
}

console.log(typeof s.width, s.width, typeof s.height, s.height, s.marginStart, 'paddingStart' in s, 'cssText' in s);
s.width = 12;
console.log(typeof s.width, s.width);
