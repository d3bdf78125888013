// The stream globals of the Network prelude, from internal.streams: the polyfill's code runs when a
// widget first touches one of them.
{
    const streams = internal.streams;
    internal.defineLazyGlobals(Object.keys(streams), () => streams);
}
