// Layout from styles, read through width and height, and the frame changes it fires.
const C = Velto.Component;
function report(label) {
    return (e) => console.log(label, 'framechange', JSON.stringify(e));
}

// A root without a size is sized by its content; gap spaces the rows unless rowGap says otherwise;
// sizes round to half points.
const root = new C({ style: { flexDirection: 'column', gap: 8 } });
const a = new C({ style: { width: 30, height: 10 } });
const b = new C({ style: { width: '20px', height: 10.3 } });
root.appendChild(a);
root.appendChild(b);
console.log('root', root.width, root.height, 'b', b.width, b.height);
root.style.rowGap = 2;
console.log('with rowGap', root.height);

// A percent width, a text without a number, and a key that is later dropped.
const sized = new C({ style: { width: 200, height: 40, flexDirection: 'row', alignItems: 'flex-start' } });
const half = new C({ style: { width: '50%', height: 'tall', left: 10, position: 'relative' } });
sized.appendChild(half);
half.onframechange = report('half');
console.log('half', half.width, half.height);
half.style.left = null;
console.log('half', half.width, half.height);

// An empty style: auto sizes everywhere.
const empty = new C();
console.log('empty', empty.width, empty.height);

// Two passes without a change fire no second framechange, nor does a padding-only change: the
// events arrive in order, so the next one printed is the wider frame's.
const box = new C({ style: { width: 50, height: 20 } });
let changes = 0;
box.onframechange = (e) => {
    console.log('box framechange', JSON.stringify(e));
    if (++changes > 1)
        return;
    console.log('again', box.width);
    box.style.paddingLeft = 4;
    console.log('padded', box.width);
    box.style.width = '60px';
    console.log('wider', box.width);
};
console.log('box', box.width, box.height);
