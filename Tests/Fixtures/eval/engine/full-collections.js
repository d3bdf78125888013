// environment: JSC_percentCPUPerMBForFullTimer=100 JSC_collectionTimerMaxPercentCPU=100
// A widget that allocates steadily, or once and then waits, lives through the collector's full
// collections, which these settings bring on at once instead of after seconds.
const encoded = Velto.base64Encode(new ArrayBuffer(8 << 20));
let runs = 0;
const interval = setInterval(() => {
    const list = [];
    for (let i = 0; i < 20000; i++)
        list.push({ i, text: 'x' + i });
    if (++runs === 25) {
        clearInterval(interval);
        console.log('survived', runs, 'runs and an encoding of', encoded.length, 'characters');
    }
}, 20);
