#!/usr/bin/env bash
# Test: `cmake --install` puts every file in its freedesktop place (into a DESTDIR, as packagers
# install), and pixmarl-uninstall removes exactly those files again (from a real prefix).
# Usage: check-install.sh <build-dir> <app-id> <icon-size>...
set -euo pipefail
build=$1 id=$2; shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The width and height a PNG file's header gives, as "WxH".
png_size() {
    local w h
    read -r w h < <(od -An -N8 -j16 -tu1 "$1" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    echo "${w}x${h}"
}

# 1. Into a DESTDIR under /usr: every file where it belongs.
stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
for program in pixmarl pixmarl-info pixmarl-uninstall; do
    [[ -x "$usr/bin/$program" ]] || fail "bin/$program is missing or not executable"
done
for file in share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/pixmarl/help/index.html; do
    [[ -s "$usr/$file" ]] || fail "$file is missing"
done
for size in "$@"; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    if [[ ! -f "$png" ]]; then
        fail "the ${size}x${size} icon is missing"
    elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
        fail "the ${size}x${size} icon is $(png_size "$png")"
    fi
done
appstreamcli validate-tree --no-net "$stage" >/dev/null || fail "appstreamcli validate-tree fails"
manifest=$usr/share/pixmarl/install-manifest.txt
if [[ ! -f "$manifest" ]]; then
    fail "share/pixmarl/install-manifest.txt is missing"
else
    while read -r f; do
        [[ "$f" == /usr/* && -e "$stage$f" ]] || fail "the manifest lists $f, which was not installed"
    done < "$manifest"
    (cd "$stage" && find . -type f ! -path ./usr/share/pixmarl/install-manifest.txt) | sed 's/^\.//' |
        sort > "$scratch/installed"
    if ! sort "$manifest" | cmp -s - "$scratch/installed"; then
        fail "the manifest does not list exactly the installed files"
    fi
fi

# 2. Into a prefix, then out again. Files of others in the same folders stay.
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
mkdir -p "$prefix/share/applications"
echo other > "$prefix/share/applications/other.desktop"
echo mine > "$prefix/share/pixmarl/notes.txt"
mimecache=$prefix/share/applications/mimeinfo.cache
grep -q "=.*$id.desktop" "$mimecache" 2>/dev/null ||
    fail "the install left file managers' MIME cache without Pixmarl"
(cd "$prefix" && find . -type f | sort) > "$scratch/before"
uninstall() { env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/pixmarl-uninstall" 2>/dev/null; }

# A list naming a file outside the installation is refused before anything is removed.
cp "$prefix/share/pixmarl/install-manifest.txt" "$scratch/manifest"
echo "$scratch/outside" > "$scratch/outside"
echo "$scratch/outside" >> "$prefix/share/pixmarl/install-manifest.txt"
uninstall && fail "the uninstaller accepted a file outside its prefix"
[[ -f "$scratch/outside" ]] || fail "the uninstaller removed a file outside its prefix"
cp "$scratch/manifest" "$prefix/share/pixmarl/install-manifest.txt"
(cd "$prefix" && find . -type f | sort) | cmp -s - "$scratch/before" ||
    fail "a refused uninstall changed the installation"

uninstall || fail "the uninstaller failed"
grep -q "$id" "$mimecache" && fail "the MIME cache still offers Pixmarl after uninstalling"
left=$(cd "$prefix" && find . -type f ! -name mimeinfo.cache | sort | tr '\n' ' ')
[[ "$left" == "./share/applications/other.desktop ./share/pixmarl/notes.txt " ]] ||
    fail "after uninstalling these files are left: $left"

[[ $failures -eq 0 ]]
