// Fields of the address cells and the filter rules of a service cell.
#include "kxui/wellfleet/wfield.h"

#include "kxu/report.h"
#include "kxui/router/rtenv.h"
#include "kxui/obj/kxobj.h"

#include <array>
#include <strings.h>

namespace {

// Members sorted into named type lists by the first three letters of their
// type; the index of the list, or -1 for a type no list takes.
template <size_t N> struct TypeLists {
  const std::array<const char *, N> &names;
  std::array<std::vector<kxset *>, N> lists{};

  int index(const kxset *m) const {
    const char *t = kxobj_type(m);
    for (size_t i = 0; t && i < N; ++i)
      if (strncasecmp(t, names[i], 3) == 0) return static_cast<int>(i);
    return -1;
  }
};

const std::array<const char *, 5> kNetLists = {"host", "gateway", "router", "net", "domain"};
const std::array<const char *, 5> kSrvLists = {"tcp", "udp", "rpc", "icmp", "other"};

bool is_iface(const kxset *v) { return v && v->get(KxAtom::find("ifname")) != nullptr; }

// Distributes a cell's members (groups opened); hosts, gateways and routers
// bring the interfaces that have an address into the same list.
template <size_t N> int distribute(TypeLists<N> &tl, const kxset *cell, bool interfaces) {
  for (kxset *m : rtenv::flat_members(cell)) {
    int i = tl.index(m);
    if (i < 0) {
      const char *t = kxobj_type(m);
      error(0, 0, "Cannot create a range for object type '%s'", t ? t : kxobj_name(m));
      return -1;
    }
    tl.lists[static_cast<size_t>(i)].push_back(m);
    if (!interfaces || !is_node(m)) continue;
    for (int k = 0; k < m->getnattr(); ++k) {
      kxset *itf = m->get(k);
      if (is_iface(itf) && *kxobj_get(itf, "ipaddr")) tl.lists[static_cast<size_t>(i)].push_back(itf);
    }
  }
  return 0;
}

kxset *need_field(const char *name) {
  kxset *def = kxell_field_def(name);
  if (!def) error(0, 0, "Cannot find ::wellfleet::fields::%s", name);
  return def;
}

KxSetRef rule_with(const kxset *base, std::initializer_list<kxset *> fields) {
  KxSetRef r(kxsetcopy(base, 0));
  for (kxset *f : fields)
    if (f) r->append("field", f);
  return r;
}

bool has_sport(const kxset *s) {
  return *kxobj_get(s, "src_port_from") || *kxobj_get(s, "src_port_to");
}

struct ServiceGen {
  std::vector<KxSetRef> &out;
  const kxset *base;
  bool negated;
  kxset *dport_def;
  kxset *proto_field_def;
  int units = 0; // independent groups of rules; a negation allows only one

  // The protocol field of a list: the "code" of its protocol definition.
  kxset *proto_field(const char *list, int positive) {
    kxset *pdef = kxell_proto_def(list);
    kxell_range r;
    if (!pdef || kxell_object_range(pdef, "proto", r) <= 0) {
      error(0, 0, "Cannot create service of type '%s'", list);
      return nullptr;
    }
    return kxell_field_make(proto_field_def, {r}, positive, 8);
  }

  // One service with a source-port limit: positive, one rule with all three
  // fields; negated, one rule per field, that field complemented alone.
  int sport_gen(const kxset *s, const char *list) {
    kxset *sport_def = need_field("sport");
    if (!sport_def) return -1;
    kxell_ranges dports, sports;
    if (kxell_ranges_dogen(dports, {const_cast<kxset *>(s)}, list) < 0 ||
        kxell_ranges_dogen(sports, {const_cast<kxset *>(s)}, "sport") < 0)
      return -1;
    ++units;
    if (!negated) {
      KxSetRef p(proto_field(list, 1));
      if (!p) return -1;
      out.push_back(rule_with(base, {p.get(), kxell_field_make(dport_def, dports, 1, 16),
                                     kxell_field_make(sport_def, sports, 1, 16)}));
      return 0;
    }
    KxSetRef p(proto_field(list, 0));
    if (!p) return -1;
    out.push_back(rule_with(base, {p.get()}));
    out.push_back(rule_with(base, {kxell_field_make(dport_def, dports, 0, 16)}));
    out.push_back(rule_with(base, {kxell_field_make(sport_def, sports, 0, 16)}));
    return 0;
  }

  int port_list(const char *list, const std::vector<kxset *> &services) {
    std::vector<kxset *> rest;
    for (kxset *s : services)
      if (has_sport(s)) {
        if (sport_gen(s, list) < 0) return -1;
      } else {
        rest.push_back(s);
      }
    kxell_ranges dports;
    if (kxell_ranges_dogen(dports, rest, list) < 0) return -1;
    if (dports.empty()) return 0;
    ++units;
    KxSetRef p(proto_field(list, !negated));
    if (!p) return -1;
    KxSetRef d(kxell_field_make(dport_def, dports, !negated, 16));
    if (!negated) {
      out.push_back(rule_with(base, {p.get(), d.get()}));
    } else {
      out.push_back(rule_with(base, {p.get()}));
      out.push_back(rule_with(base, {d.get()}));
    }
    return 0;
  }

  int other_list(const std::vector<kxset *> &services) {
    for (const kxset *s : services) {
      const char *exp = kxobj_get(s, "exp");
      kxset *def = *exp ? kxell_wservice(exp) : nullptr;
      if (!def) def = kxell_wservice(kxobj_name(s));
      if (!def) {
        error(0, 0, "Cannot create service '%s' of type 'other'", kxobj_name(s));
        continue;
      }
      ++units;
      std::vector<kxset *> fields = kxobj_array(def, "field");
      if (!negated) {
        KxSetRef r(kxsetcopy(base, 0));
        for (kxset *f : fields) r->append("field", f);
        out.push_back(r);
        continue;
      }
      for (const kxset *f : fields) {
        KxSetRef n(kxell_field_negate(f));
        if (!n) return -1;
        out.push_back(rule_with(base, {n.get()}));
      }
    }
    return 0;
  }
};

} // namespace

int kxell_netobj_gen(kxset *rule, const char *field, const kxset *cell) {
  if (!cell || kxobj_nmember(cell) == 0 || rtenv::cell_any(cell)) return 0;
  TypeLists<5> tl{kNetLists};
  if (distribute(tl, cell, true) < 0) return -1;
  kxset *def = need_field(field);
  if (!def) return -1;
  kxell_ranges ranges;
  for (size_t i = 0; i < tl.lists.size(); ++i)
    if (!tl.lists[i].empty() && kxell_ranges_dogen(ranges, tl.lists[i], kNetLists[i]) < 0) return -1;
  KxSetRef f(kxell_field_make(def, std::move(ranges), !rtenv::cell_negated(cell), 32));
  if (kxell_field_nranges(f.get()) > 0) rule->append("field", f.get());
  return 0;
}

int kxell_service_gen(std::vector<KxSetRef> &out, const kxset *base, const kxset *cell) {
  const size_t before = out.size();
  if (cell && kxobj_nmember(cell) > 0 && !rtenv::cell_any(cell)) {
    kxset *dport_def = need_field("dport");
    kxset *proto_def = dport_def ? need_field("proto") : nullptr;
    if (!proto_def) return -1;
    TypeLists<5> tl{kSrvLists};
    if (distribute(tl, cell, false) < 0) return -1;
    ServiceGen g{out, base, rtenv::cell_negated(cell), dport_def, proto_def};
    for (size_t i = 0; i < 4; ++i)
      if (!tl.lists[i].empty() && g.port_list(kSrvLists[i], tl.lists[i]) < 0) return -1;
    if (g.other_list(tl.lists[4]) < 0) return -1;
    // "not (a or b)" is "not a and not b", which rules that each match on
    // their own cannot say: only one group of rules may be negated.
    if (g.negated && g.units > 1) {
      out.resize(before);
      error(0, 0, "Cannot do multi service negation");
      return -1;
    }
  }
  if (out.size() == before) out.push_back(KxSetRef(kxsetcopy(base, 0)));
  return 0;
}
