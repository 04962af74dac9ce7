#!/usr/bin/env bash
# Lays out the demo installation in the build tree, points KXDIR at it and
# shows what the programs do on it so far. Usage: run-demo.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
kxdir=$(realpath -m "$build/kxdir")
rm -rf "$kxdir"
cp -a demo "$kxdir"
find "$kxdir" -name .keep -delete
for prog in kxui kxc; do
  [ -x "$build/kxui/$prog" ] && ln -sf "$(realpath "$build/kxui/$prog")" "$kxdir/bin/$prog"
  [ -x "$build/$prog/$prog" ] && ln -sf "$(realpath "$build/$prog/$prog")" "$kxdir/bin/$prog"
done
for prog in kx kxd; do
  [ -x "$build/kxd/$prog" ] && ln -sf "$(realpath "$build/kxd/$prog")" "$kxdir/bin/$prog"
done
ln -sf kxui "$kxdir/bin/kxlv"
export KXDIR=$kxdir
echo "Demo installation laid out in $KXDIR"
echo
# The station's window on the demo rule base when there is a display.
if [ -n "${DISPLAY:-}" ] && [ -x "$build/kxui/kxui" ]; then
  echo "Opening the rule base editor on $DISPLAY"
  cd "$KXDIR/conf"
  exec "$KXDIR/bin/kxui" -n Standard.W
fi
scripts/demo-tour.sh "$KXDIR"
if [ -x "$build/kxui/kxui" ]; then
  shots=$(realpath -m "$build/screenshots")
  echo "== The station's windows"
  echo "No display (DISPLAY is not set): drawing every window without one instead."
  if command -v xvfb-run >/dev/null; then
    BUILD=$build scripts/screenshots.sh --xvfb "$shots" | tail -n 1
  else
    BUILD=$build scripts/screenshots.sh "$shots" | tail -n 1
  fi
  ls "$shots"
fi
