// Run with restricted windows: at most 16 live windows, destroy() freeing one unit once.
function attempt() {
    try {
        new Velto.Window();
        return 'made';
    } catch (e) {
        return e.name + ': ' + e.message;
    }
}
const windows = [];
for (let i = 0; i < 16; ++i)
    windows.push(new Velto.Window());
console.log('17th', attempt());
windows[0].destroy();
windows[0].destroy();
console.log('after destroy', attempt());
console.log('after destroying twice', attempt());
try {
    windows[0].show();
    console.log('shown');
} catch (e) {
    console.log('show after destroy', e.name + ': ' + e.message);
}
windows[0].close();
console.log('close after destroy', 'returned');
