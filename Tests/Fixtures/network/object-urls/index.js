// Object URLs: each Blob gets a URL of its own in the blob: scheme; only a Blob has one; revoking
// takes any text.
const log = (...args) => console.log(...args);
const first = URL.createObjectURL(new Blob(['made here'], {type: 'text/plain'}));
const second = URL.createObjectURL(new File([], 'empty.txt'));
log('made', /^blob:null\/[0-9a-f-]{36}$/.test(first), first !== second);
URL.revokeObjectURL(first);
URL.revokeObjectURL(first);
URL.revokeObjectURL('not a url');
log('revoked');
for (const value of ['text', new Uint8Array(1), undefined]) {
    try {
        URL.createObjectURL(value);
    } catch (error) {
        log('not a blob', error.name, error.message);
    }
}
