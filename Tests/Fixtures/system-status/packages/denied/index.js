// Run without the "system-info" permission: no object, and the constructor says why.
console.log(Velto.systemStatus);
try {
    new VeltoRuntime.SystemStatus();
} catch (e) {
    console.log(e.name + ': ' + e.message);
}
