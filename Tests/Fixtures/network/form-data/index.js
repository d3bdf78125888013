// FormData's entries, and a multipart round trip through its writer and reader, driven the way fetch
// and XMLHttpRequest drive them: through Response-like bodies that the fixture builds itself.
const log = (...args) => console.log(...args);
const show = formData => [...formData].map(([name, value]) =>
    typeof value === 'string' ? `${name}=${value}` : `${name}=File(${value.name},${value.type},${value.size})`).join(' ');
const attempt = (name, action) => {
    try {
        log(name, action());
    } catch (error) {
        log(name, error.name, error.message);
    }
};

const form = new FormData();
form.append('a', '1');
form.append('b', new Blob(['xyz'], {type: 'text/plain'}));
form.append('c', new Blob(['q']), 'q.bin');
form.append('a', 2);
form.append('d', new File(['f'], 'f.txt', {lastModified: 7}));
log('entries', show(form));
log('get', form.get('a'), form.get('zz'), form.getAll('a').join(','), form.has('b'), form.get('d').lastModified);
form.set('a', 'one');
form.delete('c');
log('set and delete', show(form));
log('keys', [...form.keys()].join(','), [...form.values()].length, [...form.entries()].length);
const seen = [];
form.forEach((value, name, target) => seen.push(name + (target === form)));
log('forEach', seen.join(','));
attempt('file name for text', () => form.append('x', 'y', 'z.txt'));
attempt('one argument', () => form.append('x'));
attempt('form element', () => new FormData({}));
