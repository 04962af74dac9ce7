#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent: packages
# already present are skipped, and apt is not touched at all when nothing is
# missing.
#
#   install-deps.sh           what building, running and testing need
#   install-deps.sh --bench   that, plus what only the benchmarks need
#                             (`make bench` calls this form)
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build ccache clang libclang-rt-14-dev python3 make
  # tests
  libgtest-dev libgmock-dev
  # S/Key primitives (libotp)
  heimdal-multidev
  # libraries
  nlohmann-json3-dev
  # SNMP: the library, its agent and trap daemon (tests' real peers), the tools
  libsnmp-dev snmpd snmptrapd snmp
  # the management protocol's key store (ndbm interface)
  libgdbm-dev libgdbm-compat-dev
  # the log viewer's PostScript printout is rendered by the tests
  ghostscript
  # modules that enforce: nftables (tool and library; the netlink message
  # library for the module's own loader), NFLOG, and the tools of the
  # namespace end-to-end test
  nftables libnftables-dev libnftnl-dev libmnl-dev libnetfilter-log-dev iproute2 iputils-ping
  # the station's windows (Qt 6 Widgets and Qt Test), a virtual display for
  # running them without one
  qt6-base-dev xvfb xauth fonts-dejavu-core
)

# Only the benchmarks use these: the benchmark library, the comparison
# libraries, the peer compilers and the timing tools of the scripts.
bench_packages=(
  libbenchmark-dev rapidjson-dev libsimdjson-dev libzstd-dev fwbuilder time bc tcpdump
  # the user database benchmark's peer
  libgdbm-dev
  # the log viewer benchmark's peer
  lnav
  # the peer's loader beside the nftables load
  iptables
)

case "${1:-}" in
  "") ;;
  --bench) packages+=("${bench_packages[@]}") ;;
  *) echo "usage: install-deps.sh [--bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
