// Prints the windows front to back (ids as their places in the list), their visible top edges, then the
// list once a later step moved the front window.
const windows = Velto.windows;
const descriptor = Object.getOwnPropertyDescriptor(Velto, 'windows');
console.log('property', descriptor.writable, 'value' in descriptor, descriptor.value === windows);
const list = windows.list();
const ids = list.map((window) => window.id);
for (const window of list)
    console.log('window', ids.indexOf(window.id), JSON.stringify({...window, id: undefined}));
for (const edge of windows.visibleTopEdges())
    console.log('edge', ids.indexOf(edge.id), edge.x, edge.y, edge.width);
const guard = setTimeout(() => console.log('no change'), 10000);
windows.onchange = () => {
    console.log('change', JSON.stringify(windows.list()[0].frame));
    windows.offchange();
    clearTimeout(guard);
};
