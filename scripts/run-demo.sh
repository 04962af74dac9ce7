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
exec scripts/demo-tour.sh "$KXDIR"
