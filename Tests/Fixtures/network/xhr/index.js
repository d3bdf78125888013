// XMLHttpRequest reads package files and data: URLs, in the responseType asked for.
const load = (url, type) =>
    new Promise(resolve => {
        const request = new XMLHttpRequest();
        const states = [];
        request.onreadystatechange = () => states.push(request.readyState);
        request.open('GET', url);
        request.responseType = type;
        request.onloadend = () => resolve({ request, states });
        request.send();
    });

(async () => {
    const text = await load('data/notes.txt', '');
    console.log('text', text.request.status, text.states.join(''), JSON.stringify(text.request.responseText));
    console.log('headers', JSON.stringify(text.request.getAllResponseHeaders()));

    const json = await load('data/notes.json', 'json');
    console.log('json', JSON.stringify(json.request.response));

    const missing = await load('data/absent.txt', 'text');
    console.log('missing', missing.request.status, missing.request.statusText, missing.states.join(''));

    const bytes = await load('data:application/octet-stream;base64,AAEC/w==', 'arraybuffer');
    console.log('arraybuffer', [...new Uint8Array(bytes.request.response)].join(' '));

    const blob = await load('data:text/csv,a%2Cb', 'blob');
    console.log('blob', blob.request.response.type, await blob.request.response.text());

    try {
        new XMLHttpRequest().open('GET', 'data/notes.txt', false);
    } catch (error) {
        console.log('sync', error.name);
    }
})();
