// Runs only when its digest matches.
console.log('checked');
