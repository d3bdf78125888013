// Path2D through its script face: each attempt prints "ok" when it returns quietly, or the error it
// throws with its class, name and message.
function attempt(label, action) {
    try {
        const result = action();
        console.log(label, 'ok', result === undefined ? '' : String(result));
    } catch (error) {
        const kind = error instanceof DOMException ? 'DOMException' : error.constructor.name;
        console.log(label, kind, error.name, '|', error.message);
    }
}

const path = new Path2D();
attempt('arcTo -1', () => path.arcTo(0, 0, 10, 10, -1));
attempt('arc -1', () => path.arc(0, 0, -1, 0, 1));
attempt('ellipse -1', () => path.ellipse(0, 0, 1, -1, 0, 0, 1));
attempt('ellipse -x', () => path.ellipse(0, 0, -1, 1, 0, 0, 1, true));
attempt('arc NaN', () => path.arc(0, 0, NaN, 0, 1));
attempt('arc Infinity', () => path.arc(0, 0, -Infinity, 0, 1));
attempt('arc 1e39', () => path.arc(0, 0, -1e39, 0, 1));
attempt('arc string', () => path.arc(0, 0, '-5', 0, 1));
attempt('arc short', () => path.arc(0, 0, -1, 0));
attempt('moveTo short', () => path.moveTo(1));
attempt('closePath', () => path.closePath());

for (const [label, radii] of [['r1', [1]], ['r2', [1, 2]], ['r3', [1, 2, 3]], ['r4', [1, 2, 3, 4]],
                              ['{x,y}', {x: 1, y: 2}], ['[{x,y},3]', [{x: 1, y: 2}, 3]], ['5', 5],
                              ['[]', []], ['[1,2,3,4,5]', [1, 2, 3, 4, 5]], ['-1', -1],
                              ['{x:1,y:-1}', {x: 1, y: -1}], ['[1,-1]', [1, -1]], ['[1,NaN]', [1, NaN]]])
    attempt('roundRect ' + label, () => path.roundRect(0, 0, 10, 10, radii));
attempt('roundRect square', () => path.roundRect(0, 0, 10, 10));

const other = new Path2D('M 0 0 L 10 10');
attempt('addPath', () => path.addPath());
for (const [label, value] of [['{}', {}], ['5', 5], ['string', 'M 0 0'], ['null', null]])
    attempt('addPath ' + label, () => path.addPath(value));
for (const [label, matrix] of [['{a: 2, m11: 3}', {a: 2, m11: 3}], ['{f: NaN, m42: 1}', {f: NaN, m42: 1}],
                               ['{b: 0, m12: 0}', {b: 0, m12: 0}], ['{e: Infinity}', {e: Infinity}],
                               ['{f: NaN, m42: NaN}', {f: NaN, m42: NaN}], ['5', 5], ['null', null],
                               ['undefined', undefined]])
    attempt('addPath matrix ' + label, () => path.addPath(other, matrix));
attempt('addPath itself', () => path.addPath(path));

attempt('Path2D()', () => Path2D());
attempt('instanceof', () => [new Path2D() instanceof Path2D, new Path2D(other) instanceof Path2D,
                              new Path2D('bad') instanceof Path2D, new Path2D(5) instanceof Path2D,
                              ({}) instanceof Path2D, new Path2D().constructor === Path2D]);
attempt('foreign this', () => Path2D.prototype.moveTo.call({}, 1, 2));
attempt('foreign addPath', () => Path2D.prototype.addPath.call(5, path));
attempt('global', () => {
    const descriptor = Object.getOwnPropertyDescriptor(globalThis, 'Path2D');
    return [descriptor.writable, descriptor.configurable, descriptor.enumerable];
});
