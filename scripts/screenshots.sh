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
agent=$build/kxagent/kxagent
if [ ! -x "$kxui" ] || [ ! -x "$agent" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  ninja -C "$build" -j"${JOBS:-2}" kxui kxagent
fi
kxdir=$(mktemp -d)
agent_pid=
trap '[ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null; rm -rf "$kxdir"' EXIT
cp -a "$root/demo/." "$kxdir/"
find "$kxdir" -name .keep -delete
# "System Status" asks the module agent stand-in on loopback, serving a
# module that runs the demo policy (and a Wellfleet filter installed now).
now=$(date +%s) wf=
for i in 0 1 2 3 4 5 6 7; do
  wf+=$(printf "\\x$(printf %x $((73 + ((now >> (4 * i)) & 15))))")
done
printf 'state installed\nfilter Standard\ndate %s\naccepted 15230\nrejected 310\ndropped 42\nlogged 877\nwf_filter %sStandard.wf\n' \
  "$(date '+%e%b')$(($(date +%Y) - 1900))$(date '+ %k:%M:%S')" "$wf" >"$kxdir/state/snmpstate"
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$agent" -f "$kxdir/state/snmpstate" "udp:127.0.0.1:$port" >/dev/null 2>&1 &
agent_pid=$!
export KX_STATUS_AGENT=127.0.0.1:$port
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
