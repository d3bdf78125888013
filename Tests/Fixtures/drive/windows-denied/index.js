// Without the permission: null, read twice, and the constructor's refusal.
console.log(String(Velto.windows), String(Velto.windows));
try {
    new VeltoRuntime.Windows();
} catch (error) {
    console.log(error.constructor.name, error.message);
}
