// Run with the "system-audio" permission, detailed or not; nothing plays.
const audio = Velto.systemAudio;
const property = Object.getOwnPropertyDescriptor(Velto, 'systemAudio');
console.log('property', property.value === audio, property.writable, 'get' in property);
try {
    new VeltoRuntime.SystemAudio();
} catch (e) {
    console.log(String(e));
}
console.log('supported', audio.supported, 'active', audio.active, 'maxBandCount', audio.maxBandCount);
for (const value of [0.5, 1000, 7.9, -Infinity, Infinity, '12', NaN, null, 3]) {
    audio.bandCount = value;
    console.log('bandCount =', String(value), '->', audio.bandCount);
}
try {
    audio.getBands([]);
} catch (e) {
    console.log(String(e));
}
console.log('empty', audio.getBands(new Float32Array(0)));
const bands = new Float32Array(200).fill(-1);
audio.bandCount = 1000;
console.log('getBands', audio.getBands(bands), bands.filter(v => v === 0).length, 'silent',
            bands.filter(v => v === -1).length, 'untouched');
console.log('level', audio.level);
