// A require graph: nested folders, a cycle between a and b, the cache, failures and a module in the sandbox.
const a = require('./lib/a');
console.log('same module', a === require('lib/a.js'), a === require('./lib/../lib/a'));
console.log(a.describe());
console.log(require('./lib/util/strings').shout('hi'));
const attempts = {
    missing: () => require('./missing'),
    outside: () => require('../outside'),
    invalid: () => require('./invalid'),
    broken: () => require('./lib/broken'),
    throws: () => require('./lib/throws'),
    'throws again': () => require('./lib/throws'),
};
for (const [name, attempt] of Object.entries(attempts)) {
    try {
        attempt();
    } catch (error) {
        console.log(name, error.name, error.code, '|', error.name === 'SyntaxError' ? '' : error.message);
    }
}
const fs = require('fs');
fs.mkdirSync('vlfile://temp/lib', {recursive: true});
fs.writeFileSync('vlfile://temp/lib/m.js', "module.exports = 'from temp, ' + require('./n');");
fs.writeFileSync('vlfile://temp/lib/n.js', "module.exports = 'and its neighbour';");
console.log(require('vlfile://temp/lib/m'));
