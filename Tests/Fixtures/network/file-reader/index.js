// FileReader: each way of reading, its events in order with their counts, and abort.
const log = (...args) => console.log(...args);
const blob = new Blob(['héllo'], {type: 'text/plain'});

const readWith = (method, ...args) => new Promise(resolve => {
    const reader = new FileReader();
    const events = [];
    for (const type of ['loadstart', 'progress', 'load', 'abort', 'error'])
        reader.addEventListener(type, event => events.push(`${event.type}:${event.loaded}/${event.total}`));
    reader.onloadend = event => {
        events.push(event.type);
        resolve({reader, events});
    };
    reader[method](...args);
    log(method, 'started', reader.readyState, reader.result);
});

const show = result => (result instanceof ArrayBuffer ? `ArrayBuffer(${result.byteLength})` : JSON.stringify(result));
(async () => {
    for (const [method, ...args] of [['readAsText', blob], ['readAsText', new Blob([new Uint8Array([0xe9])]), 'latin1'],
                                     ['readAsText', new Blob([new Uint8Array([0xfe, 0xff, 0, 0x41])])],
                                     ['readAsArrayBuffer', blob], ['readAsDataURL', blob],
                                     ['readAsDataURL', new Blob([new Uint8Array([0xff])])], ['readAsBinaryString', blob]]) {
        const {reader, events} = await readWith(method, ...args);
        log(method, show(reader.result), reader.readyState, reader.error, events.join(' '));
    }

    const aborted = new FileReader();
    const events = [];
    for (const type of ['loadstart', 'load', 'abort', 'loadend'])
        aborted.addEventListener(type, event => events.push(event.type));
    aborted.readAsText(blob);
    try {
        aborted.readAsText(blob);
    } catch (error) {
        log('busy', error.name);
    }
    aborted.abort();
    await new Promise(resolve => setTimeout(resolve, 10));
    log('abort', aborted.readyState, aborted.result, events.join(' '));
    try {
        aborted.readAsText('not a blob');
    } catch (error) {
        log('not a blob', error.name);
    }
    log('constants', FileReader.EMPTY, FileReader.LOADING, FileReader.DONE, new FileReader().readyState);
})();
