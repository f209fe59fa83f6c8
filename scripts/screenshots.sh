#!/usr/bin/env bash
# Takes the screenshots of Pixmarl's windows under a virtual X server and writes them as PNG
# files. Usage: scripts/screenshots.sh [--out DIR] [scene ...]   (default DIR: build/screenshots)
# Needs xvfb (installed by scripts/install-deps.sh). Uses the release build (make release).
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/screenshots
args=()
while [[ $# -gt 0 ]]; do
    case "$1" in
        --out) out="$2"; shift 2 ;;
        *) args+=("$1"); shift ;;
    esac
done
make -s release >/dev/null
cmake --build build/release --target pixmarl_shots -j "$(nproc)" >/dev/null
mkdir -p "$out"
# A fresh settings folder and thumbnail cache, so stored window states and thumbnails of the user
# never leak into the pictures, and the pictures' files never land in the user's cache.
export PIXMARL_CONFIG_DIR=$(mktemp -d)
export XDG_CACHE_HOME="$PIXMARL_CONFIG_DIR/cache"
trap 'rm -rf "$PIXMARL_CONFIG_DIR"' EXIT
run=(build/release/tools/pixmarl_shots --out "$out" "${args[@]}")
if [[ -n "${DISPLAY:-}" && "${PIXMARL_SHOTS_XVFB:-1}" == 0 ]]; then
    "${run[@]}"
else
    xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" env QT_QPA_PLATFORM=xcb "${run[@]}"
fi
