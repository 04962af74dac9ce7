#!/usr/bin/env python3
"""Maps decide like rules in turn, on real packets.

A random filter script (rules on hosts, networks, lists and tcp/udp ports,
in the first rounds with rules of other forms between them) is compiled
three times by kxc nft: with first hit maps, with maps that keep the lowest
place (--no-first-hit) and with --no-maps. Each ruleset is loaded into a
module's network namespace as a module loads it (kxnft_load: the loader's
own messages where it knows every statement, as it must for the last
round's maps, else libnftables), and must list as it does when nft loads
it; the same sample of packets (addresses and ports the rules name, their
neighbours, and others; some with the transport header cut short before
the ports) is sent through it from a sender's namespace, and after each
packet the module's counters tell which rules decided. All rulesets must
give every packet the same rules.

    netns_maps.py BUILD_DIR [SEED]

Exit 77 (skipped) where namespaces cannot be made; the namespaces are
removed on every way out.
"""
import difflib
import ipaddress
import json
import os
import random
import shutil
import socket
import struct
import subprocess
import sys
import tempfile

tag = "kxq%d" % os.getpid()
snd, mod = tag + "s", tag + "m"


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(77)


def run(*cmd, check=True):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError("%s: %s" % (" ".join(cmd), r.stderr.strip()))
    return r


def script(rng, other_forms=True):
    """A filter script and the addresses and ports worth sending to."""
    hosts = ["10.%d.%d.%d" % (rng.randrange(2), rng.randrange(4), rng.randrange(1, 8)) for _ in range(24)]
    hosts = sorted(set(hosts))
    nets = sorted({"10.%d.%d.0/%d" % (rng.randrange(2), rng.randrange(4), rng.choice([24, 29, 30]))
                   for _ in range(6)})
    ports = sorted({rng.randrange(20, 40) for _ in range(10)})
    lines = []
    for p in ports:
        lines.append("SRV_tcp(t%d, %d)" % (p, p))
        lines.append("SRV_udp(u%d, %d)" % (p, p))
    lines.append("SRV_tcp_range(trange, 0, 65535, 30, 35)")
    lines.append("SRV_icmp(echo-request, icmp_type = 8)")
    for i, h in enumerate(hosts):
        lines.append("ADDR_host(h%d, %s)" % (i, h))
    for i, n in enumerate(nets):
        net = ipaddress.ip_network(n, strict=False)
        lines.append("ADDR_network(n%d, %s, %s)" % (i, net.network_address, net.netmask))
    for k in range(4):
        members = rng.sample(range(len(hosts)), rng.randrange(1, 5))
        lines.append("host_list%d = { %s };" % (k, ", ".join("h%d" % m for m in members)))
    lines.append("net_list9 = nets { %s };" % ", ".join("n%d" % m for m in rng.sample(range(len(nets)), 2)))

    def addr(field):
        alts = []
        for _ in range(rng.randrange(1, 3)):
            c = rng.random()
            if c < 0.4:
                alts.append("%s = h%d" % (field, rng.randrange(len(hosts))))
            elif c < 0.6:
                alts.append("%s in host_list%d" % (field, rng.randrange(4)))
            elif c < 0.7:
                alts.append("netof %s in net_list9" % field)
            else:
                n = rng.randrange(len(nets))
                alts.append("net_in(%s, n%d, n%d_netmask)" % (field, n, n))
        return "(" + " or ".join(alts) + ")"

    def service():
        groups = []
        for proto in rng.sample(["tcp", "udp"], rng.randrange(1, 3)):
            names = ["%s%d" % (proto[0], p) for p in rng.sample(ports, rng.randrange(1, 4))]
            if proto == "tcp" and rng.random() < 0.2:
                names.append("trange")
            groups.append("(%s, %s)" % (proto, " or ".join(names)))
        return " or ".join(groups)

    rule = 0
    for _ in range(rng.randrange(25, 45)):
        rule += 1
        conds = []
        odd = rng.random() if other_forms else 0.5
        if odd < 0.08:
            conds.append("(icmp, echo-request)")
        elif odd < 0.14:
            conds.append("not (tcp, t%d)" % rng.choice(ports))
        elif rng.random() < 0.75:
            conds.append(service())
        if rng.random() < 0.7:
            conds.append(addr("ip_src"))
        if rng.random() < 0.7:
            conds.append(addr("ip_dst"))
        if odd > 0.95:
            conds.append("(ip_src != h%d)" % rng.randrange(len(hosts)))
        action = rng.choice(["accept", "accept", "drop", "reject"])
        track = "LOG(short,LOG_NOALERT,%d)" % rule if rng.random() < 0.3 else ""
        body = ",\n\t\t".join([c for c in conds + [track] if c])
        direction = rng.choice(["inbound", "inbound", "eitherbound"])
        lines.append("%s\tall@all\n\t%s\t%s;" % (direction, action, body))
    lines.append("outbound all@all accept;")
    addrs = hosts + [str(ipaddress.ip_network(n, strict=False).broadcast_address) for n in nets]
    addrs += [str(ipaddress.ip_network(n, strict=False).network_address + 1) for n in nets]
    addrs += ["10.%d.%d.%d" % (rng.randrange(2), rng.randrange(4), rng.randrange(256)) for _ in range(8)]
    return "\n".join(lines) + "\n", addrs, ports + [29, 36, 41]


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    s = (s >> 16) + (s & 0xffff)
    s += s >> 16
    return ~s & 0xffff


def packet(src, dst, proto, sport, dport, cut=False):
    if cut:
        # A transport header cut short: no ports to read.
        l4 = struct.pack("!H", sport)
        ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(l4), 1, 0, 64, proto, 0,
                         socket.inet_aton(src), socket.inet_aton(dst))
        return ip + l4
    if proto == 6:
        l4 = struct.pack("!HHIIBBHHH", sport, dport, 1, 0, 5 << 4, 0x02, 1024, 0, 0)
    else:
        l4 = struct.pack("!HHHH", sport, dport, 8, 0)
    s, d = socket.inet_aton(src), socket.inet_aton(dst)
    csum = checksum(s + d + struct.pack("!BBH", 0, proto, len(l4)) + l4)
    l4 = l4[:16] + struct.pack("!H", csum) + l4[18:] if proto == 6 else l4[:6] + struct.pack("!H", csum)
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(l4), 1, 0, 64, proto, 0, s, d)
    return ip + l4


def counters():
    out = run("ip", "netns", "exec", mod, "nft", "-j", "list", "counters", "table", "inet", "kx").stdout
    return {o["counter"]["name"]: o["counter"]["packets"]
            for o in json.loads(out)["nftables"] if "counter" in o}


def decide(loader, ruleset_file, sample):
    """How the ruleset was loaded, and the counters each packet of the
    sample moves (replies related to a packet, such as a reject's ICMP
    error, count elsewhere and are left out)."""
    how = run("ip", "netns", "exec", mod, loader, ruleset_file).stdout.split()[0]
    listing = run("ip", "netns", "exec", mod, "nft", "list", "ruleset").stdout
    raw = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
    out = []
    before = counters()
    for (src, dst, proto, sport, dport, cut) in sample:
        raw.sendto(packet(src, dst, proto, sport, dport, cut), (dst, 0))
        after = counters()
        out.append(sorted(k for k in after if after[k] != before.get(k, 0) and k != "accept_established"))
        before = after
    raw.close()
    run("ip", "netns", "exec", mod, "nft", "delete", "table", "inet", "kx")
    return how, listing, out


def main():
    bin_dir = sys.argv[1]
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 18
    kxc = os.path.join(bin_dir, "kxc", "kxc")
    if os.geteuid() != 0:
        skip("making network namespaces needs root")
    for p in ("ip", "nft"):
        if not shutil.which(p):
            skip(p + " is not installed")
    if run("ip", "netns", "add", snd, check=False).returncode != 0:
        skip("cannot make network namespaces here")
    work = tempfile.mkdtemp()
    try:
        run("ip", "netns", "add", mod)
        # No IPv6: the module's own neighbour discovery would move counters.
        for n in (snd, mod):
            for k in ("net.ipv6.conf.all.disable_ipv6=1", "net.ipv6.conf.default.disable_ipv6=1"):
                run("ip", "netns", "exec", n, "sysctl", "-qw", k, check=False)
        run("ip", "-n", mod, "link", "add", "le0", "type", "veth", "peer", "name", "eth0", "netns", snd)
        run("ip", "-n", mod, "link", "add", "le1", "type", "veth", "peer", "name", "sink")
        run("ip", "-n", mod, "link", "set", "sink", "up")
        for n, dev, a in ((mod, "le0", "192.0.2.1/24"), (snd, "eth0", "192.0.2.10/24"), (mod, "le1", "203.0.113.1/24")):
            run("ip", "-n", n, "addr", "add", a, "dev", dev)
            run("ip", "-n", n, "link", "set", dev, "up")
        run("ip", "-n", snd, "route", "add", "default", "via", "192.0.2.1")
        # Forwarded packets go to a neighbour that is not there: the module's
        # own other end of le1 drops frames for another address.
        run("ip", "-n", mod, "neigh", "replace", "203.0.113.2", "lladdr", "02:00:00:00:00:99", "dev", "le1",
            "nud", "permanent")
        run("ip", "-n", mod, "route", "add", "default", "via", "203.0.113.2")
        for k in ("net.ipv4.ip_forward=1", "net.ipv4.conf.all.rp_filter=0", "net.ipv4.conf.le0.rp_filter=0",
                  "net.ipv4.conf.le0.accept_local=1"):
            run("ip", "netns", "exec", mod, "sysctl", "-qw", k)
        rng = random.Random(seed)
        failures = 0
        loader = os.path.join(bin_dir, "tests", "kxnft_load")
        scratch = tag + "x"
        for round_ in range(3):
            text, addrs, ports = script(rng, other_forms=round_ < 2)
            pf = os.path.join(work, "r%d.pf" % round_)
            with open(pf, "w") as f:
                f.write(text)
            files = {}
            forms = (("maps", []), ("lowest", ["--no-first-hit"]), ("rules", ["--no-maps"]))
            for name, extra in forms:
                files[name] = os.path.join(work, "r%d.%s.nft" % (round_, name))
                with open(files[name], "w") as f:
                    f.write(run(kxc, "nft", pf, *extra).stdout)
            with open(files["maps"]) as f:
                maps = f.read().count(" goto k")
            with open(files["lowest"]) as f:
                maps = min(maps, f.read().count(" vmap @h"))
            sample = [(rng.choice(addrs), rng.choice(addrs), rng.choice([6, 17]), rng.choice([1000, 40000, 32]),
                       rng.choice(ports), rng.random() < 0.1) for _ in range(150)]
            setns = ["ip", "netns", "exec", snd, sys.executable, __file__, "--send"]
            got = {}
            for name in files:
                r = subprocess.run(setns + [loader, files[name], mod], input=json.dumps(sample), capture_output=True,
                                   text=True)
                if r.returncode != 0:
                    print("FAIL: sending through the %s ruleset: %s" % (name, r.stderr.strip()))
                    return 1
                how, listing, got[name] = json.loads(r.stdout)
                # Loaded as nft loads it, whoever wrote the messages.
                run("ip", "netns", "add", scratch)
                try:
                    run("ip", "netns", "exec", scratch, "nft", "-f", files[name])
                    want = run("ip", "netns", "exec", scratch, "nft", "list", "ruleset").stdout
                finally:
                    run("ip", "netns", "del", scratch, check=False)
                print("round %d: %s ruleset loaded by %s" % (round_, name, how))
                if listing != want:
                    failures += 1
                    print("FAIL: the %s ruleset as loaded by %s lists otherwise than nft's:\n%s" %
                          (name, how, "".join(difflib.unified_diff(want.splitlines(True), listing.splitlines(True)))))
                if round_ == 2 and name != "rules" and how != "direct":
                    failures += 1
                    print("FAIL: the %s ruleset of rules on addresses and ports went through %s" % (name, how))
            decided = sum(1 for d in got["rules"] if d)
            print("round %d: %d maps, %d of %d packets decided by a rule" % (round_, maps, decided, len(sample)))
            if maps == 0 or decided < len(sample) // 2:
                print("FAIL: the sample does not try the maps (%d maps, %d decided)" % (maps, decided))
                failures += 1
            for form in ("maps", "lowest"):
                for p, a, b in zip(sample, got[form], got["rules"]):
                    if a != b:
                        failures += 1
                        print("FAIL: %s -> %s proto %d port %d%s: %s %s, rules %s" %
                              (p[0], p[1], p[2], p[4], " (cut short)" if p[5] else "", form, a, b))
            if failures:
                print("--- the script\n" + text)
                break
        print("PASSED" if not failures else "FAILED")
        return 0 if not failures else 1
    finally:
        for n in (snd, mod, tag + "x"):
            run("ip", "netns", "del", n, check=False)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--send":
        # In the sender's namespace: argv = --send LOADER RULESET MODULE_NS.
        mod = sys.argv[4]
        print(json.dumps(decide(sys.argv[2], sys.argv[3], [tuple(p) for p in json.load(sys.stdin)])))
        sys.exit(0)
    sys.exit(main())
