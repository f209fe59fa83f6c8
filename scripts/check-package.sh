#!/usr/bin/env bash
# Builds the Debian package and checks it: its dependencies (the package_depends test) and, when
# run as root, an installation with apt, the installed program answering --version and starting
# under a virtual X server, and the removal with apt.
# Usage: scripts/check-package.sh [--keep]   (--keep leaves the package installed)
set -euo pipefail
cd "$(dirname "$0")/.."
keep=0
[[ "${1:-}" == "--keep" ]] && keep=1

make -s package
deb=$(ls -t "$PWD"/build/release/pixmarl_*.deb | head -n1)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
(cd build/release && PIXMARL_DEB=$deb ctest -R '^package_depends$' --output-on-failure)

if [[ $(id -u) -ne 0 ]]; then
    echo "== not root: the installation with apt is left out (run as root to try it)"
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
cleanup() {
    rm -rf "$folder"
    if [[ $keep -eq 0 ]]; then
        echo "== apt-get remove pixmarl"
        apt-get remove -y -q pixmarl
    fi
}
# Without the recommended packages: the program must start with what it depends on, and the
# check leaves nothing else behind on the machine.
echo "== apt-get install --no-install-recommends $deb"
apt-get install -y -q --no-install-recommends "$deb"
folder=$(mktemp -d)
trap cleanup EXIT

echo "== the installed files"
dpkg -L pixmarl | while read -r f; do if [[ -f "$f" ]]; then echo "$f"; fi; done
[[ $(command -v pixmarl) == /usr/bin/pixmarl ]] || { echo "pixmarl is not /usr/bin/pixmarl" >&2; exit 1; }
echo "== pixmarl --version: $(env -u DISPLAY -u WAYLAND_DISPLAY pixmarl --version)"

# Started on a folder of pictures under a virtual X server, with the xcb platform plugin the
# package depends on: it must still be running after a few seconds.
cp build/release/samples/*.jpg "$folder"/
echo "== pixmarl $folder under xvfb-run"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    QT_QPA_PLATFORM=xcb pixmarl "$1" & pid=$!
    sleep 5
    if kill -0 $pid 2>/dev/null; then
        echo "running after 5 seconds"; kill $pid; wait $pid 2>/dev/null; exit 0
    fi
    wait $pid; echo "ended early with status $?" >&2; exit 1' _ "$folder"
