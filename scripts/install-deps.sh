#!/usr/bin/env bash
# Installs the Debian packages Pixmarl needs to build, test and run, when any is missing.
# Quiet and quick when everything is there; `apt-get update` runs only before an install.
# Usage: scripts/install-deps.sh [--bench]   (--bench adds the peer tools the benchmarks compare with)
set -euo pipefail

packages=(
    # build
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-svg-dev
    # the SVG icon engine that draws the program's own artwork at run time
    libqt6svg6
    libjpeg62-turbo-dev libexif-dev
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    # run time: WebP (and the other formats Qt reads through plugins)
    qt6-image-formats-plugins
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    libgif-dev libtiff-dev libjpeg-turbo-progs
    # tests of dead mounts (bindfs, FUSE) and FAT volumes (a vfat image, where the kernel has it)
    bindfs dosfstools
    # fuzzing with libFuzzer and the sanitizer runtime
    clang libclang-rt-dev
    # the screenshot script's virtual X server; a clipboard client and pointer and key events for
    # the drag and drop tests against a real X server
    xvfb xauth xclip xdotool
    # the desktop entry and metainfo validators, and the Debian package (make package)
    desktop-file-utils appstream dpkg-dev file
)
if [[ "${1:-}" == "--bench" ]]; then
    packages+=(hyperfine libvips-tools imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
