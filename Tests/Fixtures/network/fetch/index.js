// fetch reads package files (a 404 when missing) and data: URLs, whole or by stream.
(async () => {
    const page = await fetch('data/greeting.txt');
    console.log('file', page.status, page.statusText, page.url, JSON.stringify(await page.text()));

    const settings = await fetch('data/settings.json');
    console.log('json', settings.headers.get('content-type'), JSON.stringify(await settings.json()));

    const missing = await fetch('data/missing.txt');
    console.log('missing', missing.status, missing.ok, [...missing.headers].length);

    const head = await fetch('data/greeting.txt', { method: 'HEAD' });
    console.log('head', head.headers.get('content-length'), head.body);

    const inline = await fetch('data:text/plain;charset=utf-8,caf%C3%A9');
    console.log('data', inline.headers.get('content-type'), await inline.text());

    const encoded = await fetch('data:application/octet-stream;base64,AAEC/w==');
    console.log('base64', [...new Uint8Array(await encoded.arrayBuffer())].join(' '));

    const streamed = await fetch('data/greeting.txt');
    const decoder = new TextDecoder();
    let text = '';
    for (const reader = streamed.body.getReader();;) {
        const { done, value } = await reader.read();
        if (done)
            break;
        text += decoder.decode(value, { stream: true });
    }
    console.log('stream', JSON.stringify(text), streamed.bodyUsed);

    try {
        await fetch('data/greeting.txt', { method: 'POST', body: 'no' });
    } catch (error) {
        console.log('post', error.name, error.message);
    }
})();
