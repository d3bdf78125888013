// Writes a file into its temporary folder, then waits.
require('fs').writeFileSync('vlfile://temp/kept.txt', 'kept');
console.log('written');
setInterval(() => {}, 60000);
