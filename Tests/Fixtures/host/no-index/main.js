// A package without index.js: this file is not what a launch runs.
console.log('never');
