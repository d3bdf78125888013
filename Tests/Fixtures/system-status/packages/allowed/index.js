// Run with the "system-info" permission. The machine's own figures print where expected.txt has
// {cores} and {memoryTotal}.
console.log('accessor', typeof Object.getOwnPropertyDescriptor(Velto, 'systemStatus').get);
const status = Velto.systemStatus;
const property = Object.getOwnPropertyDescriptor(Velto, 'systemStatus');
console.log('property', property.value === status, property.writable, 'get' in property);
try {
    new VeltoRuntime.SystemStatus();
} catch (e) {
    console.log(String(e));
}
for (const name of ['cpu', 'memory', 'network', 'power', 'disk'])
    console.log(name, Object.keys(status[name]).join(' '), Object.isFrozen(status[name]));
const cores = status.cpu.cores;
console.log('cores', cores.length, Object.isFrozen(cores), cores.every(core => Object.isFrozen(core)));
console.log('same within a turn', status.cpu === status.cpu, status.memory === status.memory);
console.log('memory.total', status.memory.total);
console.log('disk.total in whole 10^9 bytes', status.disk.total > 0 && status.disk.total % 1e9 === 0);
console.log('bootTime in whole minutes', status.bootTime > 0 && status.bootTime % 60000 === 0);
console.log('thermal', ['nominal', 'fair', 'serious', 'critical'].includes(status.thermal));

const before = status.cpu;
let changes = 0;
status.onchange = () => {
    if (++changes > 1)
        return;
    console.log('change', status.cpu !== before, status.cpu === status.cpu);
    status.offchange();
};
setTimeout(() => console.log('changes', changes), 3000);
