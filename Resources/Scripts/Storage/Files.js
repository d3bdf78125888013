// Velto.files: promises over the native Files object for the user's files that the main application
// holds: trash(dropToken), restore(identifier) and list(). Made on first read; null in a runtime that
// has no user-files provider.
(function (global) {
    'use strict';
    if (typeof Velto !== 'object' || typeof VeltoRuntime !== 'object')
        return;

    const make = () => {
        const native = new VeltoRuntime.Files();
        // Request id to the promise's settlers.
        const pending = new Map();
        let nextRequest = 1;
        native.onresult = answer => {
            const settlers = pending.get(answer.request);
            if (!settlers)
                return;
            pending.delete(answer.request);
            if ('reason' in answer) {
                const error = new Error('Velto.files: ' + answer.reason);
                error.reason = answer.reason;
                settlers.reject(error);
            } else {
                settlers.resolve(answer.value);
            }
        };
        const request = (kind, value, resolve, reject) => {
            const id = nextRequest++;
            pending.set(id, {resolve, reject});
            native.request(kind, value, id);
        };
        const takingString = (name, kind) => value => new Promise((resolve, reject) => {
            if (typeof value !== 'string' || value === '')
                throw new TypeError('Velto.files.' + name + ' takes a string');
            request(kind, value, resolve, reject);
        });
        return Object.freeze({
            trash: takingString('trash', 'trash'),
            restore: takingString('restore', 'restore'),
            list: () => new Promise((resolve, reject) => request('list', 'list', resolve, reject)),
        });
    };

    let files;
    Object.defineProperty(Velto, 'files', {
        enumerable: true,
        configurable: true,
        get() {
            if (files === undefined) {
                try {
                    files = make();
                } catch (error) {
                    files = null;
                }
            }
            return files;
        },
    });
})(this);
