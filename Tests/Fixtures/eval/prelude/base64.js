// btoa and atob.
const show = (call) => {
    try {
        return JSON.stringify(call());
    } catch (error) {
        return error.name + (error instanceof DOMException ? ' (DOMException): ' : ': ') + error.message;
    }
};
for (const [label, call] of [
    ["btoa('')", () => btoa('')],
    ["btoa('hello')", () => btoa('hello')],
    ["btoa('\\xff\\x00')", () => btoa('\xff\x00')],
    ['btoa(12)', () => btoa(12)],
    ['btoa(null)', () => btoa(null)],
    ["btoa('\\u0100')", () => btoa('\u0100')],
    ['btoa()', () => btoa()],
    ['btoa(Symbol())', () => btoa(Symbol())],
    ["atob(' QQ== ')", () => atob(' QQ== ')],
    ["atob('QQ')", () => atob('QQ')],
    ["atob('QQ=')", () => atob('QQ=')],
    ["atob('Q')", () => atob('Q')],
    ["atob('Q$==')", () => atob('Q$==')],
    ["atob('QUJD\\nREVG')", () => atob('QUJD\nREVG')],
    ["atob('')", () => atob('')],
    ["atob('=')", () => atob('=')],
    ['atob()', () => atob()],
    ['atob(Symbol())', () => atob(Symbol())],
])
    console.log(label, '->', show(call));

let all = '';
for (let code = 0; code < 256; code++)
    all += String.fromCharCode(code);
console.log('every Latin-1 character round-trips:', atob(btoa(all)) === all);
const big = all.repeat(200);
console.log('long texts round-trip:', atob(btoa(big)) === big);
