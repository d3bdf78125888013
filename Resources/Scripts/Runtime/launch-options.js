// Velto.launchOptions: the options the host launched the widget with, frozen with their parameters,
// and replaced whole when the host sends new parameters. The native side evaluates this expression and
// calls publish or update with the global object and the JSON text of the object, which is parsed here
// as data, so that every key stays an own key of the object ("__proto__" too).
(function () {
    var defineProperty = Object.defineProperty;
    var freeze = Object.freeze;
    var keys = Object.keys;
    var is = Object.is;
    var parse = JSON.parse;
    var hasOwn = Object.prototype.hasOwnProperty;
    var call = Function.prototype.call;

    function own(object, name) {
        return call.call(hasOwn, object, name) ? object[name] : undefined;
    }

    function install(velto, options) {
        try {
            defineProperty(velto, 'launchOptions', { value: options, enumerable: true, configurable: true });
        } catch (error) {
            velto.launchOptions = options;
        }
    }

    return {
        publish: function (global, text) {
            var options = parse(text);
            if (own(options, 'parameters'))
                freeze(options.parameters);
            freeze(options);
            if (global.Velto)
                install(global.Velto, options);
        },

        // Null when no parameter changed; otherwise the new parameters and the names of the changed
        // ones, the old names first.
        update: function (global, text) {
            var parameters = parse(text);
            var velto = global.Velto;
            var options = velto.launchOptions || {};
            var old = own(options, 'parameters') || {};
            var names = keys(old).concat(keys(parameters));
            var seen = {};
            var changed = [];
            for (var i = 0; i < names.length; i++) {
                var name = names[i];
                if (seen['$' + name])
                    continue;
                seen['$' + name] = true;
                if (!is(own(old, name), own(parameters, name)))
                    changed[changed.length] = name;
            }
            if (changed.length === 0)
                return null;
            freeze(parameters);
            var copy = {};
            var optionNames = keys(options);
            for (var j = 0; j < optionNames.length; j++)
                defineProperty(copy, optionNames[j], {
                    value: own(options, optionNames[j]), writable: true, enumerable: true, configurable: true
                });
            copy.parameters = parameters;
            install(velto, freeze(copy));
            return { parameters: parameters, changed: changed };
        }
    };
})()
