#!/usr/bin/env bash
# bundle-npm-scripts.sh: makes sure that the engine's third-party resource scripts lie in the cache
# outside the source tree, and prints the folder that holds them. The first run installs the packages
# that cmake/package-lock.json pins (npm ci checks each one's integrity) and writes, beside their
# licences:
#   Modules/web-streams-polyfill.js  web-streams-polyfill's dist/ponyfill.js inside its loader
#   Modules/url.js                   core-js-pure's URL and URLSearchParams, bundled by esbuild, in theirs
# The folder is named after a digest of the lock file, the loaders and this script, so a change to any
# of them makes a new one; later runs only look, so they need no registry.
set -euo pipefail
cd "$(dirname "$0")/.."

cache_root="${VELTO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velto}"
inputs=(cmake/package.json cmake/package-lock.json scripts/npm/url-entry.js scripts/npm/url-loader.js
        scripts/npm/web-streams-polyfill-loader.js scripts/bundle-npm-scripts.sh)
digest="$(cat "${inputs[@]}" | sha256sum | cut -c1-16)"
folder="$cache_root/scripts-$digest"

# The text of FILE with @CODE@ on its own line replaced by the text of CODE, and @VERSION@ and @NAMES@
# by the values given.
fill_loader() {
    node -e '
        const fs = require("fs");
        const [loader, code, version, names] = process.argv.slice(1);
        const text = fs.readFileSync(loader, "utf8").split("@VERSION@").join(version)
            .split("@NAMES@").join(names);
        const [before, after] = text.split("@CODE@\n");
        process.stdout.write(before + fs.readFileSync(code, "utf8").replace(/\n?$/, "\n") + after);
    ' "$@"
}

version_of() {
    node -p "require('$1/package.json').version"
}

build() {
    local staging="$1" modules="$1/node_modules"
    cp cmake/package.json cmake/package-lock.json "$staging/"
    echo "bundle-npm-scripts: installing the pinned script packages" >&2
    (cd "$staging" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >&2)
    mkdir -p "$staging/kept/Modules" "$staging/kept/licenses/web-streams-polyfill" \
        "$staging/kept/licenses/core-js-pure"

    local streams="$modules/web-streams-polyfill"
    local names
    names="$(node -p "JSON.stringify(Object.keys(require('$streams/dist/ponyfill.js')))")"
    fill_loader scripts/npm/web-streams-polyfill-loader.js "$streams/dist/ponyfill.js" \
        "$(version_of "$streams")" "$names" >"$staging/kept/Modules/web-streams-polyfill.js"
    cp "$streams/LICENSE" "$staging/kept/licenses/web-streams-polyfill/LICENSE"

    local urls="$modules/core-js-pure"
    cp scripts/npm/url-entry.js "$staging/url-entry.js"
    "$modules/.bin/esbuild" "$staging/url-entry.js" --bundle --minify --format=cjs --platform=neutral \
        --legal-comments=none --log-level=warning --outfile="$staging/url-bundle.js"
    fill_loader scripts/npm/url-loader.js "$staging/url-bundle.js" "$(version_of "$urls")" "" \
        >"$staging/kept/Modules/url.js"
    cp "$urls/LICENSE" "$staging/kept/licenses/core-js-pure/LICENSE"
}

if [ ! -f "$folder/.complete" ]; then
    mkdir -p "$cache_root"
    # Several builds may start at once: one bundles, the others wait and then find it done.
    exec 9>"$cache_root/.scripts-$digest.lock"
    flock 9
    if [ ! -f "$folder/.complete" ]; then
        staging="$(mktemp -d "$cache_root/bundle.XXXXXX")"
        trap 'rm -rf "$staging"' EXIT
        build "$staging"
        touch "$staging/kept/.complete"
        rm -rf "$folder"
        mv "$staging/kept" "$folder"
    fi
fi
echo "$folder"
