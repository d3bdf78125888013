#!/usr/bin/env bash
# fetch-npm.sh FILE.env: makes sure that the files kept from the pinned npm package that FILE.env names lie
# in the cache outside the source tree, and prints the folder that holds them. The first run fetches the
# package with npm pack and checks its integrity; later runs only look, so they need no registry.
#
# FILE.env sets NPM_PACKAGE, NPM_VERSION, NPM_INTEGRITY (npm's "sha512-..." value), NPM_FOLDER_PREFIX (the
# cache folder is named after it and the package) and NPM_KEEP, an array of "FROM:TO" pairs: each path FROM
# of the package's tarball is kept as TO in the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source "$1"

cache_root="${VELTO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velto}"
# npm pack's own name for the tarball: a scoped package's "@scope/name" becomes "scope-name".
base="$(sed -e 's/^@//' -e 's#/#-#' <<<"$NPM_PACKAGE")-$NPM_VERSION"
folder="$cache_root/$NPM_FOLDER_PREFIX-$base"
tarball="$cache_root/$base.tgz"

is_ready() {
    [ -f "$folder/.integrity" ] && [ "$(cat "$folder/.integrity")" = "$NPM_INTEGRITY" ]
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
    echo "fetch-npm: fetching $NPM_PACKAGE@$NPM_VERSION" >&2
    (cd "$download" && npm pack --silent "$NPM_PACKAGE@$NPM_VERSION" >/dev/null)
    local fetched="$download/$base.tgz"
    if [ "$(integrity_of "$fetched")" != "$NPM_INTEGRITY" ]; then
        rm -rf "$download"
        echo "fetch-npm: $NPM_PACKAGE@$NPM_VERSION does not match its pinned integrity" >&2
        exit 1
    fi
    mv "$fetched" "$tarball"
    rm -rf "$download"
}

extract() {
    local staging pair from to
    staging="$(mktemp -d "$cache_root/extract.XXXXXX")"
    local froms=()
    for pair in "${NPM_KEEP[@]}"; do
        froms+=("${pair%%:*}")
    done
    tar -xzf "$tarball" -C "$staging" "${froms[@]}"
    mkdir "$staging/kept"
    for pair in "${NPM_KEEP[@]}"; do
        from="${pair%%:*}"
        to="${pair#*:}"
        mkdir -p "$(dirname "$staging/kept/$to")"
        mv "$staging/$from" "$staging/kept/$to"
    done
    printf '%s' "$NPM_INTEGRITY" >"$staging/kept/.integrity"
    rm -rf "$folder"
    mv "$staging/kept" "$folder"
    rm -rf "$staging"
}

if ! is_ready; then
    mkdir -p "$cache_root"
    # Several builds may start at once: one fetches, the others wait and then find it done.
    exec 9>"$cache_root/.$base.lock"
    flock 9
    if ! is_ready; then
        if [ ! -f "$tarball" ] || [ "$(integrity_of "$tarball")" != "$NPM_INTEGRITY" ]; then
            fetch_tarball
        fi
        extract
    fi
fi
echo "$folder"
