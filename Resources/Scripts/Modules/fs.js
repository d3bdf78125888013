// The file system module's script layer, on the native FileSystem object: the global require, which
// loads script files of the package and of the sandbox ("vlfile://usr/...", "vlfile://temp/...") as
// CommonJS modules, and require("fs") with Node's names in their synchronous, callback and promise forms.
// Everything reaches the files through the native requireModule and perform.
(function (global) {
    'use strict';
    if (typeof VeltoRuntime !== 'object' || !VeltoRuntime.FileSystem)
        return;
    const native = new VeltoRuntime.FileSystem();

    // Errors as Node writes them: "ENOENT: no such file or directory, open 'a.txt'".
    const systemError = info => {
        const error = new Error(`${info.code}: ${info.message}, ${info.syscall}` +
                                (info.path ? ` '${info.path}'` : ''));
        error.code = info.code;
        error.syscall = info.syscall;
        error.path = info.path;
        return error;
    };

    const checkPath = (path, name) => {
        if (typeof path !== 'string')
            throw new TypeError(`The "${name || 'path'}" argument must be of type string`);
        return path;
    };
    const encodingOf = options => {
        if (typeof options === 'string')
            return options;
        return options && typeof options === 'object' && typeof options.encoding === 'string' ?
            options.encoding : null;
    };
    const flag = (options, name) => Boolean(options && typeof options === 'object' && options[name]);
    // What writeFile takes: text, or bytes of any buffer or view.
    const dataOf = data => {
        if (typeof data === 'string' || data instanceof ArrayBuffer)
            return data;
        if (ArrayBuffer.isView(data))
            return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
        throw new TypeError('The "data" argument must be a string, an ArrayBuffer or a view of one');
    };

    const stateOf = Symbol('state');
    class Stats {
        constructor(info) {
            this.size = info.size;
            this.mode = info.mode;
            for (const time of ['atime', 'mtime', 'ctime', 'birthtime']) {
                this[time + 'Ms'] = info[time + 'Ms'];
                this[time] = new Date(info[time + 'Ms']);
            }
            Object.defineProperty(this, stateOf, {value: {file: info.isFile === 1, directory: info.isDirectory === 1}});
        }
        isFile() {
            return this[stateOf].file;
        }
        isDirectory() {
            return this[stateOf].directory;
        }
    }

    const nothing = () => undefined;
    const bytesOrText = result => typeof result === 'string' ? result : new Uint8Array(result || new ArrayBuffer(0));

    // Each operation: its Node arguments to the native operation, its arguments and how to read its result.
    const operations = {
        readFile: (path, options) => ['readFile', [checkPath(path), encodingOf(options)], bytesOrText],
        writeFile: (path, data, options) =>
            ['writeFile', [checkPath(path), dataOf(data), encodingOf(options) || 'utf8', false], nothing],
        appendFile: (path, data, options) =>
            ['writeFile', [checkPath(path), dataOf(data), encodingOf(options) || 'utf8', true], nothing],
        access: path => ['access', [checkPath(path)], nothing],
        stat: path => ['stat', [checkPath(path)], info => new Stats(info)],
        mkdir: (path, options) => ['mkdir', [checkPath(path), flag(options, 'recursive')], nothing],
        readdir: path => ['readdir', [checkPath(path)], names => names || []],
        rm: (path, options) =>
            ['remove', [checkPath(path), 'any', flag(options, 'recursive'), flag(options, 'force')], nothing],
        unlink: path => ['remove', [checkPath(path), 'file', false, false], nothing],
        rmdir: (path, options) => ['remove', [checkPath(path), 'directory', flag(options, 'recursive'), false], nothing],
        rename: (from, to) => ['rename', [checkPath(from, 'oldPath'), checkPath(to, 'newPath')], nothing],
        copyFile: (from, to) => ['copyFile', [checkPath(from, 'src'), checkPath(to, 'dest')], nothing],
    };

    const fs = {};
    const promises = {};
    for (const name of Object.keys(operations)) {
        const describe = operations[name];
        fs[name + 'Sync'] = (...args) => {
            const [operation, values, read] = describe(...args);
            const [error, result] = native.perform(operation, values);
            if (error)
                throw systemError(error);
            return read(result);
        };
        fs[name] = (...args) => {
            const callback = args.pop();
            if (typeof callback !== 'function')
                throw new TypeError(`fs.${name}: the last argument must be a callback function`);
            const [operation, values, read] = describe(...args);
            native.perform(operation, values, (error, result) => {
                if (error)
                    callback(systemError(error));
                else
                    callback(null, read(result));
            });
        };
        promises[name] = (...args) => new Promise((resolve, reject) => {
            const [operation, values, read] = describe(...args);
            native.perform(operation, values, (error, result) => error ? reject(systemError(error)) : resolve(read(result)));
        });
    }
    fs.existsSync = path => typeof path === 'string' && native.perform('exists', [path])[1] === true;
    fs.promises = promises;
    fs.Stats = Stats;

    // Module texts: "./" and "../" count from the requiring module's folder, "." parts drop out and ".." takes
    // the part before it away; a ".." with nothing before it stays, for the native side to refuse.
    const sandboxPrefix = /^vlfile:\/\/[^/]*/i;
    const normalise = path => {
        const match = sandboxPrefix.exec(path);
        const prefix = match ? match[0] : '';
        const parts = [];
        for (const part of path.slice(prefix.length).split('/')) {
            if (part === '' || part === '.')
                continue;
            if (part === '..' && parts.length > 0 && parts[parts.length - 1] !== '..')
                parts.pop();
            else
                parts.push(part);
        }
        return prefix ? `${prefix}/${parts.join('/')}` : parts.join('/');
    };
    const folderOf = path => path.slice(0, Math.max(path.lastIndexOf('/'), 0));
    const isRelative = name => name.startsWith('./') || name.startsWith('../');

    // Resolved path (".js" included) to module; a module is listed before it runs, so that a cycle finds
    // what it exported so far, and leaves the list when it fails.
    const cache = new Map();
    const load = (name, folder) => {
        if (typeof name !== 'string')
            throw new TypeError('The "id" argument must be of type string');
        if (name === 'fs')
            return fs;
        const resolved = normalise(isRelative(name) && folder ? `${folder}/${name}` : name);
        const path = resolved.endsWith('.js') ? resolved : `${resolved}.js`;
        const cached = cache.get(path);
        if (cached)
            return cached.exports;
        const module = {id: path, filename: path, loaded: false, exports: {}};
        module.require = requireFrom(folderOf(path));
        cache.set(path, module);
        let reason;
        try {
            reason = native.requireModule(path, module, module.exports, module.require);
        } catch (error) {
            cache.delete(path);
            throw error;
        }
        if (reason !== undefined) {
            cache.delete(path);
            if (reason === 'not found') {
                const error = new Error(`Cannot find module '${name}'`);
                error.code = 'MODULE_NOT_FOUND';
                throw error;
            }
            throw new Error(`Cannot load module '${name}': ${reason}`);
        }
        module.loaded = true;
        return module.exports;
    };
    const requireFrom = folder => name => load(name, folder);

    global.require = requireFrom('');
})(this);
