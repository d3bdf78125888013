// Parent windows: set, ignored values, cycles refused, cleared.
const W = Velto.Window;
const a = new W(), c = new W();
const b = new W({ parent: a });
const names = new Map([[a, 'a'], [b, 'b'], [c, 'c'], [null, 'null']]);
const show = w => names.get(w) ?? String(w);
const children = w => '[' + w.childWindows.map(show).join(' ') + ']';
function report(step) {
    console.log(step + ':', 'parents', show(a.parentWindow), show(b.parentWindow), show(c.parentWindow),
                'children', children(a), children(b), children(c));
}
report('made with a parent');
console.log('new arrays:', a.childWindows !== a.childWindows);
b.parentWindow = 3;
b.parentWindow = 'a';
b.parentWindow = new Velto.Component();
report('ignored values');
b.parentWindow = c;
report('moved');
c.parentWindow = b;
report('cycle refused');
c.parentWindow = c;
report('itself refused');
b.parentWindow = undefined;
report('cleared');
c.parentWindow = a;
b.parentWindow = c;
a.parentWindow = null;
report('chain');
console.log('option of another kind:', show(new W({ parent: 5 }).parentWindow), show(new W({ parent: new Velto.Component() }).parentWindow));
try {
    new W({ get parent() { throw new TypeError('no parent'); }, get style() { console.log('style read'); return {}; } });
} catch (e) {
    console.log('parent option threw:', e.name, e.message);
}
