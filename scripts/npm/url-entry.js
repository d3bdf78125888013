// What esbuild bundles into the "url" script: core-js-pure's URL and URLSearchParams, which leave the
// global object alone.
module.exports = {
    URL: require('core-js-pure/web/url'),
    URLSearchParams: require('core-js-pure/web/url-search-params'),
};
