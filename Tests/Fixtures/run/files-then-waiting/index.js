// Leaves a file in each of its folders, says that it waits, then waits on a timer a minute ahead.
const fs = require('fs');
fs.writeFileSync('vlfile://temp/a.txt', 'temporary');
fs.writeFileSync('vlfile://usr/b.txt', 'kept');
console.log('waiting');
setTimeout(() => console.log('done'), 60000);
