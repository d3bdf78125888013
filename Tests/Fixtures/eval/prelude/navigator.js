// environment: LANGUAGE=zh-Hant-TW:en_GB:en-GB:zh-Hant-HK:zh-Hant:zh:ZH_cn:es-419:sr-Latn-RS:de-x-CH:en-US-POSIX:pt-123
// navigator's fields, with the system's languages mapped to language and region.
console.log('languages:', JSON.stringify(navigator.languages), 'frozen:', Object.isFrozen(navigator.languages),
            'same list:', navigator.languages === navigator.languages);
console.log('language:', navigator.language);
console.log('userAgent:', navigator.userAgent);
console.log('appVersion:', navigator.appVersion);
console.log('platform:', navigator.platform, 'maxTouchPoints:', navigator.maxTouchPoints);
console.log('hardwareConcurrency:', Number.isInteger(navigator.hardwareConcurrency) && navigator.hardwareConcurrency > 0);
console.log(String(navigator), Object.keys(globalThis).includes('navigator'),
            JSON.stringify(Object.getOwnPropertyDescriptor(globalThis, 'navigator'), ['writable', 'enumerable', 'configurable']));
navigator = 'replaced';
console.log('writable:', navigator);
