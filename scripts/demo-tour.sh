#!/usr/bin/env bash
# What the station can do so far, run on the demo installation. Each step
# shows the command and its real output; nothing here is canned.
set -uo pipefail
kxdir=$1
bin=$kxdir/bin
cd "$kxdir/conf"

step() {
  echo "\$ $*"
  "$@"
  echo "(exit status $?)"
  echo
}
# Long outputs: the first lines, and how many there were.
step_head() {
  local n=$1; shift
  echo "\$ $* | head -n $n"
  local out rc
  out=$("$@" 2>&1); rc=$?
  printf '%s\n' "$out" | head -n "$n"
  echo "... ($(printf '%s\n' "$out" | wc -l) lines, exit status $rc)"
  echo
}

echo "== The command-line tool"
step "$bin/kxc" help
echo "== The objects database of the demo site"
step "$bin/kxc" objects
echo "== The rule base"
step "$bin/kxc" rules Standard.W
echo "== Verification and compilation into the filter script"
step "$bin/kxc" verify Standard.W
step_head 60 "$bin/kxc" compile Standard.W
echo "== Router filters"
step "$bin/kxc" cisco Standard.W
step_head 40 "$bin/kxc" wellfleet Standard.W
echo "== Set files in canonical layout, and their compressed encoding"
step_head 20 "$bin/kxc" fmt objects.C
step "$bin/kxc" encode objects.C "$kxdir/tmp/objects.enc"
ls -l objects.C "$kxdir/tmp/objects.enc"
echo
echo "== The log of the demo gateway"
step_head 12 "$bin/kxc" log
step_head 2 "$bin/kxc" log --json --from 2026-12-10T08:00:05Z
echo "== The program's modes (the windows are not built yet, and say so)"
step "$bin/kxui" -t
step "$bin/kxui" -d -x
step "$bin/kxlv"
step "$bin/kxui" -alert
