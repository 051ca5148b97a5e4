#!/usr/bin/env bash
# Builds the Debian package with dpkg-buildpackage from a copy of the source tree, so that neither
# the tree nor the folder above it gets build products. The copy keeps its build folder between
# runs: the next package compiles only what changed. Given a version, the copy's changelog gets an
# entry for it first (the install test builds its upgrade that way).
# Usage: build_deb.sh <work folder> <output folder> [version]
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1" "$2"
copy=$(cd "$1" && pwd)/corvane-antivirus-helper
# A fresh debian/ every time: debhelper's stamps from the last run would skip this one's build.
rm -rf "$copy/debian" "$1"/*.deb "$1"/*.buildinfo "$1"/*.changes
mkdir -p "$copy"
tar -C "$source" --exclude-vcs --exclude='./build*' --exclude=./.cache -cf - . |
    tar -C "$copy" -xf -
if [ -n "${3:-}" ]; then
    changelog=$copy/debian/changelog
    {
        printf '%s (%s) stable; urgency=medium\n\n  * Rebuilt as %s.\n\n -- %s  %s\n\n' \
            "$(dpkg-parsechangelog -l "$changelog" -S Source)" "$3" "$3" \
            "$(dpkg-parsechangelog -l "$changelog" -S Maintainer)" "$(date -R)"
        cat "$changelog"
    } >"$changelog.new"
    mv "$changelog.new" "$changelog"
fi
if ! (cd "$copy" && dpkg-buildpackage --build=binary --no-pre-clean --no-sign -Jauto) \
    >"$1/build.log" 2>&1; then
    tail -n 40 "$1/build.log" >&2
    echo "dpkg-buildpackage failed; the whole log is $1/build.log" >&2
    exit 1
fi
mv "$1"/*.deb "$2"/
