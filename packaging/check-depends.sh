#!/usr/bin/env bash
# Test: the Debian package depends on every library the program links and on the Qt plugin
# packages it loads at run time. Reads the package named by PIXMARL_DEB, else the newest
# pixmarl_*.deb in the build folder; skips (77) when there is none or dpkg-deb is missing.
# Usage: check-depends.sh <build-dir> <plugin-package>...
set -euo pipefail
build=$1; shift
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing: skipped"; exit 77; }
deb=${PIXMARL_DEB:-$(ls -t "$build"/pixmarl_*.deb 2>/dev/null | head -n1 || true)}
[[ -n "$deb" ]] || { echo "no package in $build (make package builds one): skipped"; exit 77; }

depends=$(dpkg-deb -f "$deb" Depends)
arch=$(dpkg-deb -f "$deb" Architecture)
echo "Depends: $depends"
# Package names only: alternatives split, versions and architecture qualifiers dropped.
names=$(tr ',|' '\n\n' <<<"$depends" | sed -e 's/(.*)//' -e 's/:.*//' -e 's/ //g')

missing=()
needs() { grep -qx -- "$1" <<<"$names" || missing+=("$1 ($2)"); }
for plugin in "$@"; do
    needs "$plugin" "plugins"
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$scratch" ./usr/bin/pixmarl
# Each linked library's package, of the package's architecture (not a 32-bit variant).
for soname in $(readelf -d "$scratch/usr/bin/pixmarl" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    owner=$(dpkg -S "*/$soname" 2>/dev/null | grep -m1 ":$arch: .*/$soname\$" | cut -d: -f1) || true
    if [[ -z "$owner" ]]; then
        missing+=("a package for $soname")
    else
        needs "$owner" "$soname"
    fi
done
if [[ ${#missing[@]} -gt 0 ]]; then
    printf 'not in Depends: %s\n' "${missing[@]}" >&2
    exit 1
fi
