exports.name = 'a';
const b = require('./b');
exports.describe = () => `a with ${b.name}; b saw ${b.sawA}`;
