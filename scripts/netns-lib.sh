# Shared by scripts/try-netns.sh and the namespace end-to-end test (sourced,
# with $bin the build directory and $src the source tree): three network
# namespaces, an inside host (192.0.2.10), a module (le0 192.0.2.1, le1
# 198.51.100.1) and an outside host (198.51.100.10), joined by veth pairs;
# the station's installation (demo/netns) and its log server kxlogd -s on the
# inside host, the module's daemon kxd enforcing in the module's namespace
# with its log collector kxlogd -l sending to that server, a TCP listener on
# ports 8080 and 8081 of the outside host. netns_cleanup removes all of it.

kxd=$bin/kxd/kxd
kx=$bin/kxd/kx
kxc=$bin/kxc/kxc
kxlogd=$bin/kxlogd/kxlogd
tag=kxn$$
ins=${tag}i
mod=${tag}m
out=${tag}o
work=$(mktemp -d)
station=$work/station
module=$work/module
netns_pids=()

netns_cleanup() {
  for p in "${netns_pids[@]}"; do
    kill "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  # Anything else still running in our namespaces goes with them.
  for n in $ins $mod $out; do
    ip netns pids $n 2>/dev/null | xargs -r kill 2>/dev/null
    ip netns del $n 2>/dev/null
  done
  rm -rf "$work"
}

ns() {
  local n=$1
  shift
  ip netns exec "$n" "$@"
}

# Returns 77 where namespaces cannot be made, 1 on another failure.
netns_setup() {
  ip netns add $ins 2>/dev/null || return 77
  ip netns add $mod && ip netns add $out || return 1
  ip -n $mod link add le0 type veth peer name eth0 netns $ins || return 1
  ip -n $mod link add le1 type veth peer name eth0 netns $out || return 1
  for n in $ins $mod $out; do ip -n $n link set lo up; done
  ip -n $mod addr add 192.0.2.1/24 dev le0
  ip -n $mod addr add 198.51.100.1/24 dev le1
  ip -n $mod link set le0 up
  ip -n $mod link set le1 up
  ip -n $ins addr add 192.0.2.10/24 dev eth0
  ip -n $ins link set eth0 up
  ip -n $ins route add default via 192.0.2.1
  ip -n $out addr add 198.51.100.10/24 dev eth0
  ip -n $out link set eth0 up
  ip -n $out route add default via 198.51.100.1
  ns $mod sysctl -qw net.ipv4.ip_forward=1

  mkdir -p $station/state $station/tmp $module
  cp -r "$src/demo/lib" "$src/demo/netns/conf" $station/
  printf 'masters: none/*\n' > $module/control.map
  printf '192.0.2.10\n' > $module/masters
  printf 'le0\nle1\n' > $module/interfaces
  KXDIR=$station $kxc compile $station/conf/Test.W > $station/conf/Test.pf 2> $work/compile.err || return 1

  # Started with ip netns exec itself, so that $! is the process to stop.
  ip netns exec $out python3 -c '
import select, socket
ss = []
for port in (8080, 8081):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", port))
    s.listen(16)
    ss.append(s)
while True:
    for s in select.select(ss, [], [])[0]:
        s.accept()[0].close()
' &
  netns_pids+=($!)
  ip netns exec $mod $kxd -n -a 192.0.2.1 -d $module > $work/kxd.out 2> $work/kxd.err &
  netns_pids+=($!)
  local i
  for i in $(seq 100); do
    grep -q listening $work/kxd.out 2>/dev/null && ns $out ss -ltn 2>/dev/null | grep -q ':8081 ' && break
    sleep 0.1
  done
  grep -q listening $work/kxd.out 2>/dev/null || { cat $work/kxd.err >&2; return 1; }
  # The station's log server on the inside host (port 2257), granting the
  # module "log"; the module's log collector sends it the records (kxd
  # hands the collector the NFLOG messages on its socket). While the server
  # cannot be reached the records wait in the module's own log file.
  mkdir -p $station/log
  printf '192.0.2.1: silly/log\n' > $station/conf/control.map
  ip netns exec $ins $kxlogd -s -a 192.0.2.10 -p 2257 -f $station/log/kx.log -c $station/conf \
    > $work/kxlogd-server.out 2>&1 &
  netns_pids+=($!)
  for i in $(seq 100); do
    grep -q listening $work/kxlogd-server.out 2>/dev/null && break
    sleep 0.1
  done
  grep -q listening $work/kxlogd-server.out || { cat $work/kxlogd-server.out >&2; return 1; }
  ip netns exec $mod $kxlogd -l $module -r 192.0.2.10 -p 2257 -R 1 -o 192.0.2.1 \
    > $work/kxlogd.out 2> $work/kxlogd.err &
  netns_pids+=($!)
  for i in $(seq 100); do
    [ -S $module/log/kxlog.sock ] && return 0
    sleep 0.1
  done
  cat $work/kxlogd.err >&2
  return 1
}

station_do() { ns $ins env KXDIR=$station "$@"; }
ping_ok() { ns "$1" ping -c1 -W1 "$2" > /dev/null 2>&1; }
tcp_ok() { ns "$1" timeout 2 bash -c "exec 3<>/dev/tcp/$2/$3" 2> /dev/null; }
# kxc trace's exit status for a connection: 0 accepted, 3 dropped.
trace() {
  KXDIR=$station $kxc trace $station/conf/Test.W --target fw "$@" > $work/trace.out 2>&1
  echo $?
}
