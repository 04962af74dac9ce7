#!/usr/bin/env bash
# End to end on real packets: network namespaces for an inside host, a
# module and an outside host, joined by veth pairs on 192.0.2.0/24 and
# 198.51.100.0/24. The test policy (ping and TCP 8080 from the inside host to
# the outside host, the rest dropped and logged) is installed from the inside
# host with kx load on the module's kxd; pings and TCP connects then pass or
# fail as the rules say, kxc trace agrees, the drops reach the station's log
# server (through the module's collector) and kxc log prints them with their
# interface, addresses, service and rule, the counters of kx stat move, a ruleset that nftables
# refuses leaves the policy in force, and kx unload opens the module again.
#
#   netns_e2e.sh BUILD_DIR SOURCE_DIR
#
# Exit 77 (skipped) where namespaces cannot be made; every namespace and
# process it made is removed on every way out.
set -u
bin=$1
src=$2
send=$bin/tests/kxnft_send

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || skip "making network namespaces needs root"
for p in ip nft ping python3 timeout ss; do
  command -v $p > /dev/null || skip "$p is not installed"
done
. "$src/scripts/netns-lib.sh"
trap netns_cleanup EXIT
netns_setup
case $? in
  0) ;;
  77) skip "cannot make network namespaces here" ;;
  *) echo "FAIL: setting up the namespaces"; exit 1 ;;
esac

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect WHAT allowed|blocked STATUS
expect() {
  local what=$1 want=$2 status=$3
  local got=blocked
  [ "$status" = 0 ] && got=allowed
  [ "$got" = "$want" ] || fail "$what: $got, the rules say $want"
}
traffic() { # the four connections, as "allowed"/"blocked" expected
  ping_ok $ins 198.51.100.10
  expect "ping inside -> outside" "$1" $?
  tcp_ok $ins 198.51.100.10 8080
  expect "tcp inside -> outside:8080" "$2" $?
  tcp_ok $ins 198.51.100.10 8081
  expect "tcp inside -> outside:8081" "$3" $?
  ping_ok $out 192.0.2.10
  expect "ping outside -> inside" "$4" $?
}

# Before any policy the module forwards everything.
traffic allowed allowed allowed allowed

station_do $kx load Test 192.0.2.1 > $work/load.out 2>&1 || { cat $work/load.out $work/kxd.err; fail "kx load"; }
ns $mod nft list tables | grep -qx 'table inet kx' || fail "no table inet kx after kx load"
traffic allowed allowed blocked blocked
[ "$(trace --src 192.0.2.10 --dst 198.51.100.10 --service echo-request)" = 0 ] || fail "trace: ping not accepted"
[ "$(trace --src 192.0.2.10 --dst 198.51.100.10 --service tcp/8080)" = 0 ] || fail "trace: tcp/8080 not accepted"
[ "$(trace --src 192.0.2.10 --dst 198.51.100.10 --service tcp/8081)" = 3 ] || fail "trace: tcp/8081 not dropped"
[ "$(trace --src 198.51.100.10 --dst 192.0.2.10 --service echo-request)" = 3 ] || fail "trace: reverse ping not dropped"

# The drops are in the station's log server's file with their rule; the
# accepts too (the kernel, the collector and the server may take a moment
# to hand them on).
logged() {
  local i
  for i in $(seq 30); do
    KXDIR=$station $kxc log $station/log/kx.log > $work/log.txt 2>&1
    grep -Eq "$1" $work/log.txt && return 0
    sleep 0.2
  done
  return 1
}
logged 'started logging 192\.0\.2\.1$' || fail "the log server did not log the module's session"
logged 'le0 > drop src 192\.0\.2\.10 dst 198\.51\.100\.10 service [a-z0-9-]+ proto tcp .*rule 3' || fail "no drop of rule 3 in the log: $(cat $work/log.txt)"
logged 'le1 > drop src 198\.51\.100\.10 dst 192\.0\.2\.10 service 8 proto icmp .*rule 3' || fail "no reverse ping drop in the log"
logged 'accept src 192\.0\.2\.10 dst 198\.51\.100\.10 service [a-z0-9-]+ proto tcp .*rule 2' ||
  fail "no accept of rule 2 in the log"
# The server had them all: nothing waited in the module's own file.
[ -s $module/log/kx.log ] && fail "records kept by the module instead of the server: $(cat $module/log/kx.log)"

# The counters of stat moved.
station_do $kx stat 192.0.2.1 > $work/stat.txt 2>&1 || fail "kx stat"
grep -Eq 'accepted [1-9]' $work/stat.txt || fail "no accepted packets in kx stat: $(cat $work/stat.txt)"
grep -Eq 'dropped [1-9]' $work/stat.txt || fail "no dropped packets in kx stat"
grep -Eq 'logged [1-9]' $work/stat.txt || fail "no logged packets in kx stat"
# ... and so did those of the SNMP agent's state file (rewritten every second).
for i in $(seq 30); do
  grep -Eq '^accepted [1-9]' $module/state/snmpstate 2>/dev/null && break
  sleep 0.2
done
grep -Eq '^accepted [1-9]' $module/state/snmpstate || fail "no accepted packets in state/snmpstate"

# A ruleset that nftables refuses leaves the policy in force, and says why.
# (a jump to a chain that is not there passes our checks, not nftables')
sed -i 's/jump inbound/jump nowhere/' $station/state/*.fc
station_do $send $station/state Test 192.0.2.1 > /dev/null 2>&1 && fail "a refused ruleset was reported loaded"
grep -q 'nftables refused' $work/kxd.err || fail "kxd did not say why: $(cat $work/kxd.err)"
traffic allowed allowed blocked blocked
ns $mod nft list ruleset > $work/after-refused.nft

# Unload opens the module again, and leaves other tables alone.
ns $mod nft add table ip other
station_do $kx unload 192.0.2.1 > /dev/null 2>&1 || fail "kx unload"
ns $mod nft list tables | grep -q 'table inet kx' && fail "table inet kx still there after unload"
ns $mod nft list tables | grep -q 'table ip other' || fail "unload removed another table"
traffic allowed allowed allowed allowed

# The daemon refuses to filter in the station's own namespace (this test's).
mkdir -p $work/rootmod
if timeout 5 $kxd -n -p 0 -d $work/rootmod > /dev/null 2> $work/root.err; then
  fail "kxd -n ran in the station's namespace"
fi
grep -q 'initial network namespace' $work/root.err || fail "kxd did not say why it refused: $(cat $work/root.err)"

[ -n "${KX_E2E_KEEP:-}" ] && cp -r $work "$KX_E2E_KEEP"
[ $failures = 0 ] && echo "PASSED" && exit 0
echo "--- kxd" && cat $work/kxd.err
[ -n "${KX_E2E_KEEP:-}" ] && cp -r $work "$KX_E2E_KEEP"
exit 1
