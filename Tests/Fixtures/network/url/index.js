// URL and URLSearchParams: relative resolution, an international host, default ports, dot segments,
// search parameters and an invalid URL.
const log = (...args) => console.log(...args);
log('lazy', typeof Object.getOwnPropertyDescriptor(globalThis, 'URL').get);
log('relative', new URL('../c/d?x#y', 'https://example.com/a/b/').href);
log('idna', new URL('https://bücher.example/').host);
log('ports', new URL('https://a.example:443/').href, new URL('http://a.example:80/').port,
    new URL('http://a.example:8080/').host);
log('dots', new URL('http://a.example/a/./b/../../c/./d').pathname);
const url = new URL('https://example.com/?q=1&r=two+words&q=3');
url.searchParams.append('s', 'a&b');
url.searchParams.delete('r');
log('search', url.href, url.searchParams.getAll('q').join('|'), url.searchParams.size);
const params = new URLSearchParams({b: '2', a: '1'});
params.sort();
log('params', params.toString(), [...new URLSearchParams('x=1&y=%C3%A9')].map(pair => pair.join('=')).join(' '));
try {
    new URL('not a url');
} catch (error) {
    log('invalid', error instanceof TypeError);
}
log('canParse', URL.canParse('/a', 'https://example.com'), URL.canParse('/a'));
log('globals', Object.getOwnPropertyDescriptor(globalThis, 'URL').writable,
    Object.keys(globalThis).includes('URLSearchParams'));
