// The cycle: a is still being loaded, so b sees what it exported so far.
const a = require('./a');
exports.name = 'b';
exports.sawA = JSON.stringify(a);
