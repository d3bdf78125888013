// Run with the "system-audio" permission and simulated system audio, detailed or not.
const audio = Velto.systemAudio;
audio.bandCount = 1000;
const bands = new Float32Array(audio.maxBandCount);
let lowest = 1, steps = true, levels = true;
for (let read = 0; read < 20; ++read) {
    audio.getBands(bands);
    for (const value of bands) {
        lowest = Math.min(lowest, value);
        steps = steps && Math.abs(value * 255 - Math.round(value * 255)) < 1e-4;
    }
    const level = audio.level;
    levels = levels && level >= 38 / 60 - 1e-9 && level <= 48 / 60 + 1e-9;
}
console.log('supported', audio.supported, 'active', audio.active);
console.log('bands at least 0.2', lowest >= 0.2, 'level within', levels);
console.log('1/255 steps', steps);
