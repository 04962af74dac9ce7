#!/usr/bin/env bash
# Builds the demo installation's user database (demo/conf/kxauth.NDB, its
# backup and the gateway's S/Key chain file) with kxc, so that it always
# matches the code. Usage: make-demo-users.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
kxc=$(realpath "$build/kxc/kxc")
export KXDIR=$(realpath demo)
rm -f demo/conf/kxauth.NDB demo/conf/kxauth.NDBBKP demo/conf/gw.skeykeys

"$kxc" groups add Staff
"$kxc" groups add Admins
"$kxc" users add alice --group Staff --expires 31-Dec-2030
"$kxc" users add bob --group Staff --group Admins --expires 30-Jun-2029
"$kxc" users add carol --group Admins
"$kxc" users add dave --group Staff --skey gw
# The chain listing is what an administrator would hand to dave.
"$kxc" skey chain dave --count 20 > /dev/null
"$kxc" users check
