// The canvas element through its script face: sizes, getContext's modes and options, the context
// object, the prelude's stand-ins, the handlers and "framechange".
const Canvas = Velto.Canvas;

// Sizes: numbers as they are (true as 1, anything else 0), their low 16 bits, clamped to 2..16383.
for (const [label, value] of [['1', 1], ['20000', 20000], ['40000', 40000], ['70000', 70000],
                              ['16384', 16384], ['-5', -5], ['true', true], ['"300"', '300'], ['NaN', NaN],
                              ['2^32 + 100', 2 ** 32 + 100], ['19.9', 19.9], ['Infinity', Infinity],
                              ['{}', {}]]) {
    const canvas = new Canvas();
    canvas.width = value;
    canvas.height = value;
    console.log('size', label, canvas.width, canvas.height);
}
console.log('unstyled', new Canvas().width, new Canvas().height);
const styled = new Canvas({ style: { width: 64, height: 32 } });
console.log('styled', styled.width, styled.height);

// getContext.
const canvas = new Canvas({ style: { width: 64, height: 32 } });
console.log('no type', canvas.getContext());
console.log('bitmaprenderer', canvas.getContext('bitmaprenderer'));
console.log('experimental-webgl2', canvas.getContext('experimental-webgl2'));
console.log('a number', canvas.getContext(5));
try {
    canvas.getContext('2d', { get alpha() { throw new RangeError('no alpha'); } });
} catch (e) {
    console.log('options threw', e.name, e.message);
}
const context = canvas.getContext('2d', { alpha: undefined, antialias: 0 });
console.log('2d', context !== null, canvas.getContext('2d') === context, canvas.getContext('2d', 5) === context);
console.log('webgl', canvas.getContext('webgl'));
console.log('webgl2', canvas.getContext('webgl2'));
console.log('context size', canvas.width, canvas.height);
canvas.width = 65636;
console.log('65636 with a context', canvas.width);

// The context object.
console.log('tag', Object.prototype.toString.call(context));
console.log('canvas', context.canvas === canvas);
const descriptor = Object.getOwnPropertyDescriptor(canvas, '__currentContext');
console.log('__currentContext', descriptor.value === context, descriptor.writable, descriptor.enumerable,
            descriptor.configurable);
canvas.__currentContext = null;
console.log('after assigning', canvas.__currentContext === context, delete canvas.__currentContext,
            Object.keys(canvas).includes('__currentContext'));

// The constructor follows the class a script publishes, for contexts made after it.
Velto.Canvas2DRenderingContext = function Canvas2DRenderingContext() {};
const later = new Canvas().getContext('2d');
console.log('constructor', later.constructor === Velto.Canvas2DRenderingContext,
            Object.getOwnPropertyDescriptor(Object.getPrototypeOf(later), 'constructor').enumerable);

// The prelude's WebGL stand-ins.
for (const name of ['WebGLRenderingContext', 'WebGL2RenderingContext']) {
    const standIn = Velto[name];
    try {
        new standIn();
    } catch (e) {
        console.log(name, e.name, e.message, standIn.name, globalThis[name] === standIn);
    }
    const tagged = { [Symbol.toStringTag]: name };
    console.log(name, 'instanceof', tagged instanceof standIn, {} instanceof standIn, context instanceof standIn);
}

// Handlers and their off functions.
canvas.oncontextlost = () => {};
canvas.onwebglcontextlost = () => {};
console.log('handlers', typeof canvas.oncontextlost, typeof canvas.onwebglcontextlost);
canvas.offcontextlost();
canvas.offwebglcontextlost();
console.log('after off', canvas.oncontextlost, canvas.onwebglcontextlost);
for (const name of ['offcontextlost', 'offwebglcontextlost', 'getContext']) {
    try {
        canvas[name].call({});
    } catch (e) {
        console.log(name, 'on a foreign object', e.name, e.message);
    }
}

// "framechange": once per new frame, with the frame, after the layout that made it. A canvas with a
// context reads its buffer's size, which lays nothing out: its child's size does.
const framed = new Canvas({ style: { width: 10, height: 10 } });
framed.onframechange = frame => console.log('framechange', JSON.stringify(frame));
console.log('framed', framed.width, framed.height);
framed.style.width = 40;
console.log('framed', framed.width, framed.height);
framed.style = { width: 40, height: 10 };
console.log('framed', framed.width);
framed.getContext('2d');
const child = new Velto.Component();
framed.appendChild(child);
framed.style.width = 30;
console.log('child', child.width, 'framed', framed.width);
setTimeout(() => console.log('framed', framed.width), 0);
