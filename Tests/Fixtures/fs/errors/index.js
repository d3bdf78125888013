// Failures as Node reports them: an Error with code, syscall and path, its message
// "<code>: <message>, <syscall> '<path>'", without the path when there is none; bad arguments are
// TypeErrors.
const fs = require('fs');
fs.mkdirSync('vlfile://usr/dir/full', {recursive: true});
fs.writeFileSync('vlfile://usr/dir/full/f', '');
const attempts = [
    () => fs.readFileSync('missing.txt'),
    () => fs.readFileSync(''),
    () => fs.writeFileSync('index.js', 'x'),
    () => fs.readFileSync('vlfile://home/x'),
    () => fs.readFileSync('vlfile://usr/../x'),
    () => fs.writeFileSync('vlfile://usr/' + 'n'.repeat(300), 'x'),
    () => fs.mkdirSync('vlfile://usr/dir'),
    () => fs.rmSync('vlfile://usr/dir'),
    () => fs.rmdirSync('vlfile://usr/dir/full'),
    () => fs.unlinkSync('vlfile://usr/dir'),
    () => fs.renameSync('vlfile://usr/none', 'vlfile://usr/x'),
    () => fs.copyFileSync('vlfile://usr/dir', 'vlfile://usr/x'),
    () => fs.readFileSync(42),
    () => fs.writeFileSync('vlfile://usr/x', 42),
    () => fs.readFile('vlfile://usr/x'),
];
for (const attempt of attempts) {
    try {
        attempt();
        console.log('no error');
    } catch (error) {
        const shown = text => String(text).replace('n'.repeat(300), '<300 n>');
        console.log(error.constructor.name, error.code, error.syscall, shown(JSON.stringify(error.path)), '|',
                    shown(error.message));
    }
}
fs.promises.access('vlfile://usr/none').catch(error => console.log('rejected', error.message));
