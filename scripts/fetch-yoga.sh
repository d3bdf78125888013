#!/usr/bin/env bash
# Makes sure that the pinned Yoga sources lie in the cache outside the source tree, and prints the folder
# that holds them (its yoga/ is the include root; LICENSE is Yoga's). The first run fetches the npm package
# that carries them and checks its integrity; later runs only look, so they need no registry.
set -euo pipefail
cd "$(dirname "$0")/.."
source cmake/yoga-source.env

cache_root="${VELTO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velto}"
folder="$cache_root/yoga-$YOGA_NPM_PACKAGE-$YOGA_NPM_VERSION"
tarball="$cache_root/$YOGA_NPM_PACKAGE-$YOGA_NPM_VERSION.tgz"

is_ready() {
    [ -f "$folder/.integrity" ] && [ "$(cat "$folder/.integrity")" = "$YOGA_NPM_INTEGRITY" ]
}

# npm's form of a SHA-512 digest: "sha512-" and the digest in base64.
integrity_of() {
    local hex
    hex="$(sha512sum "$1" | cut -d' ' -f1)"
    printf 'sha512-%s' "$(printf '%b' "$(sed 's/../\\x&/g' <<<"$hex")" | base64 -w0)"
}

fetch_tarball() {
    local download
    download="$(mktemp -d "$cache_root/download.XXXXXX")"
    echo "fetch-yoga: fetching $YOGA_NPM_PACKAGE@$YOGA_NPM_VERSION" >&2
    (cd "$download" && npm pack --silent "$YOGA_NPM_PACKAGE@$YOGA_NPM_VERSION" >/dev/null)
    local fetched="$download/$YOGA_NPM_PACKAGE-$YOGA_NPM_VERSION.tgz"
    if [ "$(integrity_of "$fetched")" != "$YOGA_NPM_INTEGRITY" ]; then
        rm -rf "$download"
        echo "fetch-yoga: $YOGA_NPM_PACKAGE@$YOGA_NPM_VERSION does not match its pinned integrity" >&2
        exit 1
    fi
    mv "$fetched" "$tarball"
    rm -rf "$download"
}

extract() {
    local staging
    staging="$(mktemp -d "$cache_root/extract.XXXXXX")"
    tar -xzf "$tarball" -C "$staging" package/ReactCommon/yoga/yoga package/LICENSE
    mkdir "$staging/sources"
    mv "$staging/package/ReactCommon/yoga/yoga" "$staging/sources/yoga"
    mv "$staging/package/LICENSE" "$staging/sources/LICENSE"
    printf '%s' "$YOGA_NPM_INTEGRITY" >"$staging/sources/.integrity"
    rm -rf "$folder"
    mv "$staging/sources" "$folder"
    rm -rf "$staging"
}

if ! is_ready; then
    mkdir -p "$cache_root"
    # Several builds may start at once: one fetches, the others wait and then find it done.
    exec 9>"$cache_root/.yoga.lock"
    flock 9
    if ! is_ready; then
        if [ ! -f "$tarball" ] || [ "$(integrity_of "$tarball")" != "$YOGA_NPM_INTEGRITY" ]; then
            fetch_tarball
        fi
        extract
    fi
fi
echo "$folder"
