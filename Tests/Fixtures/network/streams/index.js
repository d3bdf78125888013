// Streams: reading, pipeThrough, tee, back-pressure under a queuing strategy, and byte streams.
const log = (...args) => console.log(...args);
const numbers = count => new ReadableStream({
    start(controller) {
        for (let n = 1; n <= count; ++n)
            controller.enqueue(n);
        controller.close();
    },
});
const collect = async stream => {
    const values = [];
    for (const reader = stream.getReader();;) {
        const {value, done} = await reader.read();
        if (done)
            return values;
        values.push(value);
    }
};

(async () => {
    log('globals', typeof ReadableStream, typeof WritableStream, typeof TransformStream,
        typeof ReadableStreamDefaultReader, typeof ByteLengthQueuingStrategy, typeof CountQueuingStrategy,
        Object.keys(globalThis).includes('ReadableStream'));
    log('read', (await collect(numbers(3))).join(','));
    const doubled = numbers(3).pipeThrough(new TransformStream({transform: (n, controller) => controller.enqueue(n * 2)}));
    log('pipeThrough', (await collect(doubled)).join(','));
    const [left, right] = numbers(2).tee();
    log('tee', (await collect(left)).join(','), (await collect(right)).join(','));

    const sizes = [];
    let pulls = 0;
    const pressured = new ReadableStream({
        pull(controller) {
            ++pulls;
            controller.enqueue('x'.repeat(pulls));
            if (pulls === 6)
                controller.close();
        },
    }, new CountQueuingStrategy({highWaterMark: 2}));
    await Promise.resolve();
    await Promise.resolve();
    log('backpressure before reading', pulls);
    const writer = new WritableStream({write: chunk => sizes.push(chunk.length)},
                                      new CountQueuingStrategy({highWaterMark: 1})).getWriter();
    log('writer desiredSize', writer.desiredSize, new ByteLengthQueuingStrategy({highWaterMark: 4}).size(new Uint8Array(3)));
    await pressured.pipeTo(new WritableStream({write: chunk => writer.write(chunk)}));
    await writer.close();
    log('backpressure after', pulls, sizes.join(','));

    const bytes = new ReadableStream({
        type: 'bytes',
        start(controller) {
            controller.enqueue(new Uint8Array([1, 2, 3, 4]));
            controller.close();
        },
    });
    const reader = bytes.getReader({mode: 'byob'});
    const {value} = await reader.read(new Uint8Array(2));
    log('byob', value.join(','), reader instanceof ReadableStreamBYOBReader);
})();
