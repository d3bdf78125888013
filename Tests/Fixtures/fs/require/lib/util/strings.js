const a = require('../a');
exports.shout = text => `${text.toUpperCase()}! says ${a.name}`;
