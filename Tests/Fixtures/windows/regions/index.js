// What each written region reads back as, for the hit and the drag region alike.
const w = new Velto.Window();
const steps = [
    ['nothing set', undefined, false],
    ['one rectangle', [{ x: 0, y: 0, width: 10, height: 20 }], true],
    ['a non-array changes nothing', { x: 0, y: 0, width: 1, height: 1 }, true],
    ['a string changes nothing', 'region', true],
    ['only valid elements kept, in order', [
        { x: -1.5, y: 2, width: 3, height: 4 },
        { x: 1, y: 2, width: 0, height: 4 },
        { x: Infinity, y: 0, width: 1, height: 1 },
        { x: '1', y: 0, width: 1, height: 1 },
        5, null, [1, 2, 3, 4],
        { x: 0, y: 0, width: 1 },
        { x: 0, y: 0, width: 1, height: NaN },
        { x: 0, y: 0, width: -1, height: 1 },
        { x: 7, y: 8, width: 9, height: 10, extra: true },
        { get x() { throw new Error('no x'); }, y: 0, width: 1, height: 1 },
    ], true],
    ['no valid element: an empty region', [{ x: 0, y: 0, width: 0, height: 5 }], true],
    ['an empty array', [], true],
    ['null removes it', null, true],
    ['again', [{ x: 1, y: 1, width: 1, height: 1 }], true],
    ['undefined removes it', undefined, true],
];
for (const name of ['hitRegion', 'dragRegion']) {
    for (const [label, value, write] of steps) {
        if (write)
            w[name] = value;
        console.log(name, label + ':', JSON.stringify(w[name]));
    }
    w[name] = [{ x: 0, y: 0, width: 1, height: 1 }];
    console.log(name, 'new objects at every read:', w[name] !== w[name], w[name][0] !== w[name][0]);
}
