// Console forwarding: wraps each console level so that, after the original function, the level and
// the formatted text reach native code through forward(level, text). A console method never throws,
// whatever it is given, and uses only what is taken here, before the widget's scripts run.
(function (forward) {
    'use strict';
    if (typeof console === 'undefined' || console === null)
        return;

    const consoleObject = console;
    const FunctionPrototype = Function.prototype;
    const apply = FunctionPrototype.call.bind(FunctionPrototype.apply);
    const stringify = JSON.stringify;
    const { Error, String } = globalThis;
    // What a value that cannot be formatted prints.
    const placeholder = '[object]';

    const format = (value) => {
        if (typeof value === 'string')
            return value;
        if (value instanceof Error)
            return value.stack ? value.name + ': ' + value.message + '\n' + value.stack : String(value);
        if (value !== null && typeof value === 'object') {
            try {
                const json = stringify(value);
                if (typeof json === 'string')
                    return json;
            } catch (error) {
                // Not serialisable (a cycle, a BigInt): fall back to its string.
            }
        }
        return String(value);
    };

    // A revoked proxy, a throwing trap or getter, an object without any string form: the placeholder.
    const formatted = (value) => {
        try {
            return format(value);
        } catch (error) {
            return placeholder;
        }
    };

    const join = (values) => {
        let text = '';
        for (let i = 0; i < values.length; i++)
            text += (i === 0 ? '' : ' ') + formatted(values[i]);
        return text;
    };

    for (const level of ['log', 'info', 'warn', 'error', 'debug']) {
        const previous = consoleObject[level];
        consoleObject[level] = function (...values) {
            if (typeof previous === 'function') {
                try {
                    apply(previous, consoleObject, values);
                } catch (error) {
                    // Its own output failed: the forwarding still goes on.
                }
            }
            try {
                forward(level, join(values));
            } catch (error) {
                // Forwarding never disturbs the script (a text too long to make, a failing handler).
            }
        };
    }
})
