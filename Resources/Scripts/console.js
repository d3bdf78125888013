// Console forwarding: wraps each console level so that, after the original function, the level and
// the formatted text reach native code through forward(level, text).
(function (forward) {
    'use strict';
    if (typeof console === 'undefined' || console === null)
        return;

    const format = (value) => {
        if (typeof value === 'string')
            return value;
        if (value instanceof Error)
            return value.stack ? value.name + ': ' + value.message + '\n' + value.stack : String(value);
        if (value !== null && typeof value === 'object') {
            try {
                const json = JSON.stringify(value);
                if (typeof json === 'string')
                    return json;
            } catch (error) {
                // Not serialisable (a cycle, a BigInt): fall back to its string.
            }
        }
        return String(value);
    };

    for (const level of ['log', 'info', 'warn', 'error', 'debug']) {
        const previous = console[level];
        console[level] = function (...values) {
            if (typeof previous === 'function')
                previous.apply(console, values);
            const text = values.map(format).join(' ');
            try {
                forward(level, text);
            } catch (error) {
                // Forwarding never disturbs the script.
            }
        };
    }
})
