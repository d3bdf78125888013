// Node's fs names over "vlfile://usr" and "vlfile://temp", synchronous first, then with callbacks, then
// with promises; each form waits for the one before.
const fs = require('fs');
const log = (...args) => console.log(...args);

fs.mkdirSync('vlfile://usr/notes/old', {recursive: true});
fs.writeFileSync('vlfile://usr/notes/a.txt', 'hello');
fs.appendFileSync('vlfile://usr/notes/a.txt', ' world');
log('sync text', fs.readFileSync('vlfile://usr/notes/a.txt', 'utf8'), fs.existsSync('vlfile://usr/notes/a.txt'));
const bytes = fs.readFileSync('vlfile://usr/notes/a.txt');
log('sync bytes', bytes.constructor.name, bytes.length, bytes[0]);
fs.writeFileSync('vlfile://temp/b.bin', new Uint16Array([0x0201, 0x0403]).subarray(1));
const stats = fs.statSync('vlfile://temp/b.bin');
log('sync stat', stats.size, stats.isFile(), stats.isDirectory(), stats.mtime.getTime() === Math.floor(stats.mtimeMs),
    fs.statSync('vlfile://temp').isDirectory());
fs.copyFileSync('vlfile://temp/b.bin', 'vlfile://usr/notes/b.bin');
fs.renameSync('vlfile://usr/notes/b.bin', 'vlfile://usr/notes/c.bin');
fs.writeFileSync('vlfile://usr/notes/hex.txt', '48690a', 'hex');
log('sync readdir', fs.readdirSync('vlfile://usr/notes').join(' '));
log('sync encodings', fs.readFileSync('vlfile://usr/notes/c.bin', 'hex'),
    fs.readFileSync('vlfile://usr/notes/hex.txt', {encoding: 'base64'}));
fs.accessSync('index.js');
fs.unlinkSync('vlfile://usr/notes/a.txt');
fs.rmdirSync('vlfile://usr/notes/old');
fs.rmSync('vlfile://usr/notes', {recursive: true});
fs.rmSync('vlfile://usr/notes', {force: true});
fs.writeFileSync('vlfile://usr/empty', '');
log('sync removed', fs.existsSync('vlfile://usr/notes'), fs.readFileSync('vlfile://usr/empty').length);

fs.writeFile('vlfile://temp/cb.txt', 'called back', error => {
    log('callback write', error);
    fs.readFile('vlfile://temp/cb.txt', 'utf8', (error, text) => {
        log('callback read', error, text);
        fs.stat('vlfile://temp/missing', error => {
            log('callback error', error.message);
            promises();
        });
    });
});

async function promises() {
    await fs.promises.mkdir('vlfile://temp/p/q', {recursive: true});
    await fs.promises.writeFile('vlfile://temp/p/q/x.txt', 'promised');
    await fs.promises.copyFile('vlfile://temp/p/q/x.txt', 'vlfile://usr/x.txt');
    log('promise read', await fs.promises.readFile('vlfile://usr/x.txt', 'utf8'),
        (await fs.promises.stat('vlfile://usr/x.txt')).size, (await fs.promises.readdir('vlfile://temp/p')).join());
    await fs.promises.rm('vlfile://temp/p', {recursive: true});
    try {
        await fs.promises.readdir('vlfile://temp/p');
    } catch (error) {
        log('promise error', error.code, error.syscall, error.path, '|', error.message);
    }
}
