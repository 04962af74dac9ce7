// The firewall modules among a cell's objects.
#include "kxui/obj/firewalled.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"
#include "kxui/obj/tables.h"

#include <arpa/inet.h>

#include <optional>
#include <unordered_set>

using kxobj_detail::each_member;
using kxobj_detail::ieq;

namespace {

std::optional<uint32_t> address(const kxset *obj, const char *attr) {
  in_addr a{};
  if (inet_pton(AF_INET, kxobj_get(obj, attr), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

bool addr_within(const kxset *node, uint32_t net, uint32_t mask) {
  auto a = address(node, "ipaddr");
  return a && (*a & mask) == (net & mask);
}

// A host or gateway lies within a network when its address or one of its
// interfaces' addresses does. Nothing lies within a domain but domains.
bool node_within(const kxset *node, const kxset *net) {
  if (is_domain(net)) return false;
  auto addr = address(net, "ipaddr");
  auto mask = address(net, "netmask");
  if (!addr) return false;
  uint32_t m = mask ? *mask : 0xffffffffu;
  if (addr_within(node, *addr, m)) return true;
  for (int i = 0, n = node->getnattr(); i < n; ++i) {
    const kxset *v = node->get(i);
    if (v && v != node && v->get(KxAtom::find("ifname")) && addr_within(v, *addr, m))
      return true;
  }
  return false;
}

struct Collector {
  kxset *dest;
  const char *type;
  std::unordered_set<const kxset *> groups; // entered once each
  int added = 0;

  void add(kxset *obj) {
    if (kxobj_detail::each_member(dest, [&](kxset *m) { return m == obj; })) return;
    kxobj_append(dest, obj);
    ++added;
  }

  void member(kxset *m, bool expand) {
    if (is_group(m)) {
      if (groups.insert(m).second) each_member(m, [&](kxset *x) {
          member(x, true);
          return false;
        });
    }
    const char *loc = kxobj_get(m, "location");
    if (*loc && !ieq(loc, "internal")) return;
    if (!is_firewalled(m) && !ieq(type, "router")) {
      if (expand && (is_net(m) || is_domain(m)))
        each_member(kx_netobj, [&](kxset *h) {
          if ((ieq(kxobj_type(h), "host") || ieq(kxobj_type(h), "gateway")) && node_within(h, m))
            member(h, false);
          return false;
        });
      return;
    }
    if (type && !ieq(kxobj_type(m), type)) return;
    add(m);
  }
};

} // namespace

int gen_getfirewalled(kxset *dest, const kxset *objects, const char *type, int flags) {
  if (!dest || !objects) return 0;
  if ((flags & GEN_ANY_SHORTCUT) && kxobj_isany(objects)) {
    dest->set(KxAtom("any"), kxset::make(KxAtom("all")));
    return 1;
  }
  Collector c{dest, type, {}};
  each_member(objects, [&](kxset *m) {
    c.member(m, true);
    return false;
  });
  return c.added;
}
