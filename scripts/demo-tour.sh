#!/usr/bin/env bash
# What the station can do so far, run on the demo installation. Each step
# shows the command and its real output.
set -uo pipefail
kxdir=$1
bin=$kxdir/bin
step() {
  echo "\$ $*"
  "$@"
  echo "(exit status $?)"
  echo
}
step "$bin/kxc" help
step "$bin/kxui" -t
