// Named lists, type lists and interface objects of the condition writers.
#include "kxui/compiler/addr.h"
#include "kxui/compiler/algebra.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/members.h"
#include "kxui/compiler/run.h"

#include "kxu/report.h"
#include "kxui/obj/kxobj.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <unordered_map>
#include <vector>

using kxcomp::Kind;
using kxcomp::kind_of;

namespace {

using kxcomp::each_member;
using kxcomp::nmembers;

// The anonymous member named exactly `name`, or null.
kxset *member_named(const kxset *set, const KxAtom &name) {
  kxset *found = nullptr;
  for (int i = 0, n = set ? set->getnattr() : 0; i < n && !found; ++i)
    if (set->getattrnamea(i).is_null())
      if (kxset *m = set->get(i); m && m->getnamea() == name) found = m;
  return found;
}

void put_text(kxset *obj, const char *attr, const std::string &value) {
  obj->set(KxAtom(attr), kxset::make(KxAtom(value)));
}

void span_s(kxset *types, kxset *obj, std::string *first_domain, std::vector<const kxset *> &stack) {
  if (!obj) return;
  Kind k = kind_of(obj);
  if (k == Kind::group) {
    if (std::find(stack.begin(), stack.end(), obj) != stack.end()) return;
    stack.push_back(obj);
    each_member(obj, [&](kxset *m) { span_s(types, m, first_domain, stack); });
    stack.pop_back();
    return;
  }
  if (k == Kind::domain && first_domain && first_domain->empty()) *first_domain = obj->getname();
  const char *type = element_type(obj);
  kxset *list = nullptr;
  each_member(types, [&](kxset *l) {
    if (!list && strncasecmp(l->getname(), type, 3) == 0) list = l;
  });
  if (list) objlist_append(list, obj);
}

// ------------------------------------------------------------- table indexes

// The run-wide tables grow to thousands of entries, and every condition looks
// objects up in them by name and lists by their members. These indexes answer
// both without a scan. An index follows its table by position: entries
// appended since the last look (by anyone) are taken in first, and a table
// that shrank or whose last indexed entry moved is indexed afresh. Every hit
// is checked against the table itself; a failed check re-indexes. Keys hold
// atom records, not counted atoms: the table's members keep them alive.
// The indexes are kept in the compilation's run; reset_list_counter() drops
// them with the list counter.

using Name = const KxAtom::Record *;

// Where an index stands in its table.
struct Cursor {
  int seen = 0;
  const kxset *last = nullptr;

  bool follows(const kxset *table) const {
    return table->getnattr() >= seen && (seen == 0 || table->get(seen - 1) == last);
  }
  void advance(const kxset *table) {
    seen = table->getnattr();
    last = seen ? table->get(seen - 1) : nullptr;
  }
};

// The anonymous members of a used-table by name: the first position of each.
struct UsedIndex {
  Cursor at;
  std::unordered_map<Name, int> first;

  void update(const kxset *table) {
    if (!at.follows(table)) *this = UsedIndex();
    for (int i = at.seen, n = table->getnattr(); i < n; ++i)
      if (table->getattrnamea(i).is_null())
        if (kxset *m = table->get(i)) first.emplace(m->getnamea().record(), i);
    at.advance(table);
  }
  bool holds(const kxset *table, const KxAtom &name) {
    for (int round = 0; round < 2; ++round) {
      update(table);
      auto it = first.find(name.record());
      if (it == first.end()) return false;
      const int i = it->second;
      if (i < table->getnattr() && table->getattrnamea(i).is_null() && table->get(i) &&
          table->get(i)->getnamea() == name)
        return true;
      *this = UsedIndex(); // an entry changed in place: start over
    }
    return member_named(table, name) != nullptr;
  }
};

// What decides whether two lists are equal: their kind, the number of
// anonymous members and the set of member names.
struct ListKey {
  Name kind;
  int count;
  std::vector<Name> names; // sorted, each once

  ListKey(const KxAtom &k, const kxset *members) : kind(k.record()), count(0) {
    each_member(members, [&](kxset *m) {
      ++count;
      names.push_back(m->getnamea().record());
    });
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
  }
  bool operator==(const ListKey &o) const {
    return kind == o.kind && count == o.count && names == o.names;
  }
};

struct ListKeyHash {
  size_t operator()(const ListKey &k) const noexcept {
    size_t h = std::hash<Name>()(k.kind) ^ (static_cast<size_t>(k.count) * 0x9e3779b97f4a7c15ULL);
    for (Name n : k.names) h = (h ^ std::hash<Name>()(n)) * 0x100000001b3ULL;
    return h;
  }
};

bool same_members(const kxset *a, const kxset *b) {
  auto all_in = [](const kxset *x, const kxset *y) {
    bool ok = true;
    each_member(x, [&](kxset *m) { ok = ok && member_named(y, m->getnamea()); });
    return ok;
  };
  return nmembers(a) == nmembers(b) && all_in(a, b) && all_in(b, a);
}

// The first entry per key of a list table.
struct ListIndex {
  Cursor at;
  std::unordered_map<ListKey, int, ListKeyHash> first;

  void update(const kxset *table) {
    if (!at.follows(table)) *this = ListIndex();
    for (int i = at.seen, n = table->getnattr(); i < n; ++i) {
      const KxAtom &kind = table->getattrnamea(i);
      if (kxset *l = table->get(i); l && !kind.is_zero()) first.emplace(ListKey(kind, l), i);
    }
    at.advance(table);
  }
  kxset *find(const kxset *table, const KxAtom &kind, const kxset *members) {
    const ListKey key(kind, members);
    for (int round = 0; round < 2; ++round) {
      update(table);
      auto it = first.find(key);
      if (it == first.end()) return nullptr;
      const int i = it->second;
      if (i < table->getnattr() && table->getattrnamea(i) == kind && table->get(i) &&
          same_members(table->get(i), members))
        return table->get(i);
      *this = ListIndex(); // an entry changed in place: start over
    }
    for (int i = 0, n = table->getnattr(); i < n; ++i)
      if (kxset *l = table->get(i); l && table->getattrnamea(i) == kind && same_members(l, members))
        return l;
    return nullptr;
  }
};

// The list counter and the indexes of a compilation.
struct ListTables : CompileRun::Part {
  int counter = 0;
  std::unordered_map<const kxset *, UsedIndex> used_index;
  std::unordered_map<const kxset *, ListIndex> list_index;
};

ListTables &tables() { return CompileRun::current().part<ListTables>(CompileRun::Slot::lists); }

} // namespace

// ------------------------------------------------------------- lists

void reset_list_counter() { tables() = ListTables(); }
int list_counter() { return tables().counter; }

std::string new_list_name(const char *kind) {
  return std::string(kind ? kind : "") + "_list" + std::to_string(++tables().counter);
}

kxset *find_equal_list(const kxset *lists, const char *kind, const kxset *members) {
  if (!lists || !kind || !members) return nullptr;
  KxAtom k = KxAtom::find(kind);
  if (k.is_zero()) return nullptr;
  return tables().list_index[lists].find(lists, k, members);
}

std::string gen_list_name(kxset *lists, const char *kind, const kxset *members) {
  if (kxset *found = find_equal_list(lists, kind, members)) return found->getname();
  std::string name = new_list_name(kind);
  kxset *l = kxset::make(KxAtom(name));
  each_member(members, [&](kxset *m) { l->append(KxAtom::null(), m); });
  if (lists) {
    lists->append(KxAtom(kind), l);
  } else {
    KxSetRef drop(l); // nobody keeps it
  }
  return name;
}

bool used_add(kxset *table, kxset *obj) {
  if (!table || !obj || tables().used_index[table].holds(table, obj->getnamea())) return false;
  table->append(KxAtom::null(), obj);
  return true;
}

// ------------------------------------------------------------- type lists

static kxset *make_types(std::initializer_list<const char *> kinds) {
  kxset *types = kxset::make();
  for (const char *k : kinds) types->append(KxAtom::null(), kxset::make(KxAtom(k)));
  return types;
}

kxset *type_gen_netobj() { return make_types({"host", "gateway", "router", "net", "domain"}); }
kxset *type_gen_servobj() { return make_types({"tcp", "udp", "rpc", "icmp", "other"}); }

void span_listobj(kxset *types, kxset *obj, std::string *first_domain) {
  std::vector<const kxset *> stack;
  span_s(types, obj, first_domain, stack);
}

bool objlist_append(kxset *list, kxset *obj) {
  if (!list || !obj || member_named(list, obj->getnamea())) return false;
  list->append(KxAtom::null(), obj);
  if (kxcomp::is_node_kind(kind_of(obj))) host_append_addrs(list, obj);
  return true;
}

void host_append_addrs(kxset *list, const kxset *obj) {
  if (!list || !obj) return;
  const uint32_t own = obj_netaddr_n(obj, 0);
  bool own_seen = false;
  std::vector<uint32_t> added;
  for (int k = 0; k < 12; ++k) {
    KxAtom slot = KxAtom::find("if-" + std::to_string(k));
    kxset *iface = slot.is_zero() ? nullptr : obj->get(slot);
    if (!iface) continue;
    if (fix_ifname(iface).empty()) {
      error(0, 0, "object %s if# %d no name or number!\n", obj->getname(), k);
      continue;
    }
    bool created = false;
    KxSetRef ifobj(makeifobj(obj, iface, list, false, &created));
    if (!ifobj || !created) continue;
    if (isnull(kxobj_get(iface, "ipaddr"))) continue;
    uint32_t addr = obj_netaddr_n(ifobj.get(), 0);
    if (addr == KX_NOADDR) continue;
    auto duplicate = [&] {
      error(0, 0, "'%s' interface '%s' IP %s: Duplicate address", obj->getname(),
            ifobj->getname(), iptoa(addr).c_str());
    };
    if (addr == own) {
      if (!own_seen) { // the object's own address, named once already
        own_seen = true;
        continue;
      }
      duplicate();
    }
    if (std::find(added.begin(), added.end(), addr) != added.end()) {
      duplicate();
      continue;
    }
    list->append(KxAtom::null(), ifobj.get());
    added.push_back(addr);
  }
}

void lists_netcode(kxset *types) {
  kxset *net = nullptr;
  each_member(types, [&](kxset *l) {
    if (!net && strcmp(l->getname(), "net") == 0) net = l;
  });
  if (!net) return;
  std::vector<KxSetRef> odd;
  for (int i = 0; i < net->getnattr();) {
    kxset *m = net->get(i);
    if (net->getattrnamea(i).is_null() && m) {
      uint32_t addr = obj_netaddr_n(m, 0);
      if (obj_netmask_n(m, 0) != natural_netmask(addr)) {
        odd.emplace_back(m);
        net->remove(i);
        continue;
      }
    }
    ++i;
  }
  for (const KxSetRef &m : odd) {
    kxset *entry = kxset::make(KxAtom("netmask"));
    entry->append(KxAtom::null(), m.get());
    types->append(KxAtom::null(), entry);
  }
}

// ------------------------------------------------------------- interfaces

std::string fix_ifname(kxset *iface) {
  if (!iface) return "";
  if (*iface->getname()) return iface->getname();
  const char *ifname = kxobj_get(iface, "ifname");
  if (*ifname) return std::string(ifname) + kxobj_get(iface, "ifnum");
  std::string full = kxobj_get(iface, "iffullname");
  if (!full.empty()) put_text(iface, "ifname", full);
  return full;
}

kxset *makeifobj(const kxset *obj, kxset *iface, const kxset *list, bool as_network,
                 bool *created) {
  if (created) *created = false;
  if (!obj || !iface) return nullptr;
  std::string ifname = fix_ifname(iface);
  if (ifname.empty()) return nullptr;
  std::string name = std::string(obj->getname()) + "-" + (as_network ? "net-" : "") + ifname;
  KxAtom key(name);
  if (kxset *existing = member_named(list, key)) return existing;
  kxset *ifobj = kxsetcopy(iface, 0, key);
  put_text(ifobj, "type", as_network ? "net" : "hostif");
  if (as_network && !isnull(kxobj_get(iface, "ipaddr"))) {
    uint32_t addr = obj_netaddr_n(iface, 0);
    uint32_t mask = 0;
    if (isnull(kxobj_get(iface, "netmask")) ||
        !kxcomp::parse_dotted_quad(kxobj_get(iface, "netmask"), &mask) || mask == 0)
      mask = natural_netmask(addr);
    if (addr != KX_NOADDR) put_text(ifobj, "ipaddr", iptoa(addr & mask));
  }
  if (created) *created = true;
  return ifobj;
}
