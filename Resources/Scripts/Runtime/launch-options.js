// Velto.launchOptions: the options the host launched the widget with, frozen with their parameters,
// and replaced whole when the host sends new parameters. The native side evaluates this expression and
// calls publish or update with the global object and an object it wrote as JSON.
(function () {
    var defineProperty = Object.defineProperty;
    var freeze = Object.freeze;
    var keys = Object.keys;
    var is = Object.is;

    function install(velto, options) {
        try {
            defineProperty(velto, 'launchOptions', { value: options, enumerable: true, configurable: true });
        } catch (error) {
            velto.launchOptions = options;
        }
    }

    return {
        publish: function (global, options) {
            if (options.parameters)
                freeze(options.parameters);
            freeze(options);
            if (global.Velto)
                install(global.Velto, options);
        },

        // Null when no parameter changed; otherwise the new parameters and the names of the changed
        // ones, the old names first.
        update: function (global, parameters) {
            var velto = global.Velto;
            var options = velto.launchOptions || {};
            var old = options.parameters || {};
            var names = keys(old).concat(keys(parameters));
            var seen = {};
            var changed = [];
            for (var i = 0; i < names.length; i++) {
                var name = names[i];
                if (seen['$' + name])
                    continue;
                seen['$' + name] = true;
                if (!is(old[name], parameters[name]))
                    changed[changed.length] = name;
            }
            if (changed.length === 0)
                return null;
            freeze(parameters);
            var copy = {};
            var optionNames = keys(options);
            for (var j = 0; j < optionNames.length; j++)
                copy[optionNames[j]] = options[optionNames[j]];
            copy.parameters = parameters;
            install(velto, freeze(copy));
            return { parameters: parameters, changed: changed };
        }
    };
})()
