// Run with the allowed types given on the command line; prints what each construction gives.
function attempt(options) {
    try {
        return new Velto.Window(options) instanceof Velto.Window ? 'made' : 'not a Window';
    } catch (e) {
        return e.name + ': ' + e.message;
    }
}
for (const options of [{ type: 'panel' }, {}, { type: '' }, { type: 5 }, { type: 'overlay' }, { type: 'widget' }])
    console.log(JSON.stringify(options), attempt(options));
