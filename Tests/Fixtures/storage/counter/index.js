// Counts its runs in local storage and prints what it found there.
const runs = Number(localStorage.getItem('runs') || 0) + 1;
localStorage.runs = String(runs);
Velto.syncStorage.setItem('last', 'run ' + runs);
console.log('run ' + runs + ', keys ' + Object.keys(localStorage).join(',') + ', ' +
            Object.keys(Velto.syncStorage).join(','));
