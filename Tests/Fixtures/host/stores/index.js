// Stores an item locally and one in synchronised storage, then waits.
localStorage.setItem('local', 'kept');
Velto.syncStorage.setItem('synchronised', 'reported');
console.log('stored');
setInterval(() => {}, 60000);
