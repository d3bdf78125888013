// Prints the input events it gets. While the machine is driven, the script is busy: it spins until the
// pointer reaches the last place the steps move it to, and a little longer, so that everything the steps
// did comes in one batch.
const show = (type) => (event) => console.log(type, JSON.stringify(event));
for (const type of ['mousemove', 'mousedown', 'mouseup', 'wheel', 'keyactivity'])
    Velto.input['on' + type] = show(type);
setTimeout(() => {
    for (;;) {
        const pointer = Velto.input.pointer;
        if (pointer.x === 150 && pointer.y === 160)
            break;
    }
    const end = Date.now() + 300;
    while (Date.now() < end) {}
}, 0);
