#!/usr/bin/env bash
# Renews the pictures of the help page and the README (help/images/) from the screenshot scenes.
# Usage: scripts/help-images.sh   (needs what scripts/screenshots.sh needs)
set -euo pipefail
cd "$(dirname "$0")/.."
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
scripts/screenshots.sh --out "$shots" main viewer
mkdir -p help/images
cp "$shots/main-thumbnails.png" help/images/browser.png
cp "$shots/viewer-fitted.png" help/images/viewer.png
echo "help/images: browser.png viewer.png"
