#!/usr/bin/env bash
# Try a Linux module on real packets: builds three network namespaces (an
# inside host, the module, an outside host), installs the demo policy for a
# Linux module (demo/netns: ping and TCP 8080 from the inside host to the
# outside host, everything else dropped and logged) on the module with
# kx load, tries a few connections and prints one line per connection:
#
#   allowed  ping 192.0.2.10 -> 198.51.100.10 (rule 1)
#   blocked  tcp 192.0.2.10 -> 198.51.100.10:8081 (rule 3)
#
# The rule is the one kxc trace names for the connection. Everything the
# script made is removed at the end. Exit status 0 only when every
# connection went as the rule base says; run as root after a build
# (BUILD=build/release by default).
set -u
cd "$(dirname "$0")/.."
src=$PWD
bin=$(realpath -m "${BUILD:-build/release}")
[ "$(id -u)" = 0 ] || { echo "try-netns.sh: run as root (network namespaces)" >&2; exit 2; }
for p in "$bin/kxd/kxd" "$bin/kxd/kx" "$bin/kxc/kxc"; do
  [ -x "$p" ] || { echo "try-netns.sh: $p missing (make build)" >&2; exit 2; }
done
. scripts/netns-lib.sh
trap netns_cleanup EXIT
netns_setup || { echo "try-netns.sh: cannot set up the namespaces" >&2; exit 1; }
station_do $kx load Test 192.0.2.1 > $work/load.out 2>&1 ||
  { cat $work/load.out $work/kxd.err >&2; echo "try-netns.sh: kx load failed" >&2; exit 1; }

wrong=0
# try WHAT FROM-NS DST CHECK... -- TRACE-ARGS...
try() {
  local what=$1 from=$2
  shift 2
  local probe=()
  while [ "$1" != -- ]; do probe+=("$1"); shift; done
  shift
  "${probe[@]}"
  local got=$? want rule
  want=$(trace "$@")
  rule=$(sed -n 's/^rule \([0-9]*\) decides.*/rule \1/p' $work/trace.out)
  [ -n "$rule" ] || rule="no rule"
  local word=blocked
  [ $got = 0 ] && word=allowed
  local expected=blocked
  [ "$want" = 0 ] && expected=allowed
  if [ $word = $expected ]; then
    printf '%-8s %s (%s)\n' $word "$what" "$rule"
  else
    printf '%-8s %s (%s says %s)\n' $word "$what" "$rule" $expected
    wrong=$((wrong + 1))
  fi
}
c=192.0.2.10
s=198.51.100.10
try "ping $c -> $s" $ins ping_ok $ins $s -- --src $c --dst $s --service echo-request
try "tcp $c -> $s:8080" $ins tcp_ok $ins $s 8080 -- --src $c --dst $s --service tcp/8080
try "tcp $c -> $s:8081" $ins tcp_ok $ins $s 8081 -- --src $c --dst $s --service tcp/8081
try "ping $s -> $c" $out ping_ok $out $c -- --src $s --dst $c --service echo-request
station_do $kx stat 192.0.2.1 | tail -1
[ $wrong = 0 ]
