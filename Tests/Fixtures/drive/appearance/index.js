// Prints the appearance it starts with and each change; nothing keeps it running.
console.log('start', Velto.system.appearance);
Velto.system.onappearancechange = (event) => console.log('change', event.appearance, Velto.system.appearance);
