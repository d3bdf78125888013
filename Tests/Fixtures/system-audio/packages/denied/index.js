// Run without the "system-audio" permission, or with "network" but not detailed: no object, and the
// constructor says why.
console.log(Velto.systemAudio);
try {
    new VeltoRuntime.SystemAudio();
} catch (e) {
    console.log(e.name + ': ' + e.message);
}
