#!/usr/bin/env bash
# Saves a PNG of every window of the station, opened on the demo
# installation, into DIR: one file per window, named after it. Needs no
# display: the windows are drawn on Qt's offscreen platform (or, with
# --xvfb, on a virtual X display).
#   scripts/screenshots.sh [--xvfb] DIR
# BUILD (default build/release) names the build tree; kxui is built when
# missing.
set -euo pipefail
xvfb=0
if [ "${1:-}" = --xvfb ]; then xvfb=1; shift; fi
[ $# -eq 1 ] || { echo "usage: scripts/screenshots.sh [--xvfb] DIR" >&2; exit 2; }
out=$(realpath -m "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD:-$root/build/release}")
kxui=$build/kxui/kxui
if [ ! -x "$kxui" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  ninja -C "$build" -j"${JOBS:-2}" kxui
fi
kxdir=$(mktemp -d)
trap 'rm -rf "$kxdir"' EXIT
cp -a "$root/demo/." "$kxdir/"
find "$kxdir" -name .keep -delete
mkdir -p "$out"
cd "$kxdir/conf"
export KXDIR=$kxdir KX_SCREENSHOTS=$out
# The offscreen platform says so for every window it cannot resize itself.
quiet() { grep -v 'does not support propagateSizeHints\|XDG_RUNTIME_DIR' >&2 || true; }
if [ "$xvfb" = 1 ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$kxui" -n -t Standard.W 2> >(quiet)
else
  QT_QPA_PLATFORM=offscreen "$kxui" -n -t Standard.W 2> >(quiet)
fi
echo "screenshots in $out"
