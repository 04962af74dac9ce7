#include "kxui/analysis/model.h"

#include "kxui/compiler/addr.h"
#include "kxui/compiler/cellform.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/sections.h"
#include "kxui/compiler/targets.h"
#include "kxui/obj/firewalled.h"
#include "kxui/objfile/objects.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

using kxrb::ieq;

namespace kxan {

const char *cell_name(Cell c) {
  switch (c) {
  case Cell::install: return "install";
  case Cell::src: return "src";
  case Cell::dst: return "dst";
  case Cell::services: return "services";
  }
  return "";
}

std::optional<Cell> RuleModel::miss(uint32_t s, uint32_t d, uint64_t v) const {
  if (!enforced) return Cell::install;
  if (!src.contains(s)) return Cell::src;
  if (!dst.contains(d)) return Cell::dst;
  if (!svc.contains(v)) return Cell::services;
  return std::nullopt;
}

std::string cell_first_name(const kxset *rule, const char *cell) {
  const kxset *c = rule ? rule->get(KxAtom(cell)) : nullptr;
  const kxset *m = kxrb::first(c);
  return m ? std::string(m->getname()) : std::string();
}

// ------------------------------------------------------------- services

struct ServiceKeys::Impl {
  std::unordered_map<std::string, uint64_t> other; // lower-case name -> protocol
};

ServiceKeys::ServiceKeys() : impl_(std::make_unique<Impl>()) {}
ServiceKeys::~ServiceKeys() = default;

IntervalSet ServiceKeys::of(const kxset *service) {
  IntervalSet out;
  auto whole = [&](uint64_t proto) { out.add(service_key(proto, 0), service_key(proto, 0xffffffffu)); };
  switch (kxcomp::kind_of(service)) {
  case kxcomp::Kind::tcp:
  case kxcomp::Kind::udp: {
    uint64_t proto = kxcomp::kind_of(service) == kxcomp::Kind::tcp ? kProtoTcp : kProtoUdp;
    std::optional<std::string> port = obj_port(service, 0);
    if (!port) break; // an unknown port matches nothing
    long lo = 0, hi = 0;
    parse_port_range(port->c_str(), &lo, &hi);
    if (lo < 0 || hi < lo) break;
    out.add(service_key(proto, static_cast<uint64_t>(lo)), service_key(proto, static_cast<uint64_t>(hi)));
    break;
  }
  case kxcomp::Kind::icmp:
  case kxcomp::Kind::rpc: {
    uint64_t proto = kxcomp::kind_of(service) == kxcomp::Kind::icmp ? kProtoIcmp : kProtoRpc;
    long n = obj_port_n(service, 0);
    if (n < 0) whole(proto);
    else out.add(service_key(proto, static_cast<uint64_t>(n)), service_key(proto, static_cast<uint64_t>(n)));
    break;
  }
  default: {
    std::string lname(service ? service->getname() : "");
    for (char &c : lname) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto [it, added] = impl_->other.emplace(lname, kProtoOther + impl_->other.size());
    out.add(service_key(it->second, 0), service_key(it->second, 0));
    break;
  }
  }
  out.normalize();
  return out;
}

// ------------------------------------------------------------- targets

namespace {

bool has_marker(const kxset *targets, const char *marker) {
  KxAtom m = KxAtom::find(marker);
  return !m.is_zero() && targets->get(m) != nullptr;
}

bool names_member(const kxset *targets, const std::string &name) {
  bool found = false;
  kxrb::each_member(targets, [&](kxset *m) { found = found || ieq(m->getname(), name); });
  return found;
}

} // namespace

bool rule_enforced_on(const kxset *rule, const Target &target) {
  KxSetRef t(kxset::make());
  if (target.router) {
    if (!gen_targets(rule, t.get(), TARGETS_ROUTERS, nullptr, 0)) return false;
    return names_member(t.get(), target.name);
  }
  if (!gen_targets(rule, t.get(), TARGETS_FIREWALL, nullptr, GEN_ANY_SHORTCUT)) return false;
  return has_marker(t.get(), "any") || names_member(t.get(), target.name);
}

std::vector<Target> install_targets(const rule_array &rules) {
  TargetCache cache;
  std::vector<Target> out;
  auto take = [&](const kxset *t, bool router) {
    kxrb::each_member(t, [&](kxset *m) {
      for (const Target &o : out)
        if (ieq(o.name, m->getname())) return;
      out.push_back({m->getname(), router, m});
    });
  };
  for (const kxset *rule : rules) {
    KxSetRef fw(kxset::make()), rt(kxset::make());
    if (gen_targets(rule, fw.get(), TARGETS_FIREWALL, nullptr, 0)) take(fw.get(), false);
    if (gen_targets(rule, rt.get(), TARGETS_ROUTERS, nullptr, 0)) take(rt.get(), true);
  }
  return out;
}

// ------------------------------------------------------------- building

namespace {

struct Implied {
  const char *prop, *word;
  uint64_t proto; // 0: never decides a new connection (see note)
  long lo, hi;
  const char *note;
};

// The implied rules in the order the compiler writes them.
const Implied kFirewallImplied[] = {
    {"loopudp", "lo0 udp", 0, 0, 0, "loopback interface only"},
    {"looptcp", "lo0 tcp", 0, 0, 0, "loopback interface only"},
    {"kx1enable", "accept_kx1_connections", 0, 0, 0, "control connections of the modules only"},
    {"ftpdata", "ftpdata_code", 0, 0, 0, "data connections of accepted ftp sessions only"},
    {"established", "accept_tcp_established", 0, 0, 0, "established connections only"},
    {"rip", "accept_rip", kProtoUdp, 520, 520, ""},
    {"icmpenable", "accept_icmp", kProtoIcmp, 0, 0xffffffffL, ""},
    {"rpcenable", "rpc_code", 0, 0, 0, "rpc program lookups only"},
    {"udpreply", "udp_code", 0, 0, 0, "replies to accepted udp only"},
    {"outgoing", "outbound all@all accept", 0, 0, 0, "outbound checks only"},
    {"domain_udp", "accept_domain_udp", kProtoUdp, 53, 53, ""},
    {"domain_tcp", "accept_domain_tcp", kProtoTcp, 53, 53, ""},
};
const Implied kRouterImplied[] = {
    {"established_router", "permit tcp established", 0, 0, 0, "established connections only"},
    {"rip_router", "permit udp eq 520", kProtoUdp, 520, 520, ""},
    {"icmpenable_router", "permit icmp", kProtoIcmp, 0, 0xffffffffL, ""},
    {"domain_udp_router", "permit udp eq 53", kProtoUdp, 53, 53, ""},
    {"domain_tcp_router", "permit tcp eq 53", kProtoTcp, 53, 53, ""},
};

void add_implied(std::vector<RuleModel> &out, bool router, const char *where) {
  const kxset *props = kxrb::props_set();
  if (!props) return;
  auto each = [&](const Implied &p) {
    if (!prop_where(where, p.prop) || !obj_true(props, p.prop)) return;
    RuleModel m;
    m.implied = p.word;
    m.note = p.note;
    m.action = "accept";
    m.direction = "eitherbound";
    if (p.proto) {
      m.src = IntervalSet::all(kAddrMax);
      m.dst = IntervalSet::all(kAddrMax);
      m.svc.add(service_key(p.proto, static_cast<uint64_t>(p.lo)), service_key(p.proto, static_cast<uint64_t>(p.hi)));
    }
    out.push_back(std::move(m));
  };
  if (router)
    for (const Implied &p : kRouterImplied) each(p);
  else
    for (const Implied &p : kFirewallImplied) each(p);
}

} // namespace

struct PolicyBuilder::Impl {
  kxcomp::FormCache nets{kx_netobj}, servs{kx_services};
  ServiceKeys own;
  ServiceKeys &keys;
  explicit Impl(ServiceKeys *shared) : keys(shared ? *shared : own) {}

  const kxcomp::CellForm *form(kxcomp::FormCache &c, const kxset *rule, const char *cell) {
    const kxset *s = rule->get(KxAtom(cell));
    return s ? &c.form(s) : nullptr; // a missing cell is Any
  }

  IntervalSet addresses(const kxcomp::CellForm *f, bool *domains) {
    if (!f || f->any()) return IntervalSet::all(kAddrMax);
    IntervalSet out;
    bool everything = f->elements().everything();
    for (const kxcomp::Leaf *l : f->elements().leaves()) {
      if (l->all) everything = true;
      if (l->kind == kxcomp::Kind::domain) *domains = true;
      for (auto [lo, hi] : l->spans) out.add(lo, hi);
    }
    if (everything) out = IntervalSet::all(kAddrMax);
    out.normalize();
    return f->negated() ? out.complement(kAddrMax) : out;
  }

  IntervalSet services(const kxcomp::CellForm *f) {
    if (!f || f->any()) return IntervalSet::all(kServiceMax);
    IntervalSet out;
    bool everything = f->elements().everything();
    for (const kxcomp::Leaf *l : f->elements().leaves()) {
      if (l->all) everything = true;
      IntervalSet k = keys.of(l->obj);
      for (auto [lo, hi] : k.ranges()) out.add(lo, hi);
    }
    if (everything) out = IntervalSet::all(kServiceMax);
    out.normalize();
    return f->negated() ? out.complement(kServiceMax) : out;
  }

  RuleModel model(const kxset *rule, int number, const char *direction) {
    RuleModel m;
    m.number = number;
    m.rule = rule;
    std::string act = cell_first_name(rule, "action");
    const kxset *a = kxrb::first(rule->get(KxAtom("action")));
    std::string_view word = kxrb::text(a, "action");
    m.action = word.empty() ? act : std::string(word);
    m.track = cell_first_name(rule, "track");
    m.direction = direction ? direction : "";
    m.src = addresses(form(nets, rule, "src"), &m.src_domains);
    m.dst = addresses(form(nets, rule, "dst"), &m.dst_domains);
    m.svc = services(form(servs, rule, "services"));
    return m;
  }
};

PolicyBuilder::PolicyBuilder(ServiceKeys *keys) : impl_(std::make_unique<Impl>(keys)) {}
PolicyBuilder::~PolicyBuilder() = default;
ServiceKeys &PolicyBuilder::services() { return impl_->keys; }

Policy PolicyBuilder::build(const rule_array &rules, const Target &target) {
  TargetCache cache;
  Policy p;
  p.target = target;
  add_implied(p.rules, target.router, "first");
  for (size_t i = 0; i < rules.size(); ++i) {
    if (i + 1 == rules.size()) add_implied(p.rules, target.router, "before last");
    const kxset *rule = rules[i];
    KxSetRef t(kxset::make());
    const char *dir = gen_targets(rule, t.get(), target.router ? TARGETS_ROUTERS : TARGETS_FIREWALL,
                                  nullptr, target.router ? 0 : GEN_ANY_SHORTCUT);
    bool on = dir && (target.router ? names_member(t.get(), target.name)
                                    : (has_marker(t.get(), "any") || names_member(t.get(), target.name)));
    if (on) {
      p.rules.push_back(impl_->model(rule, static_cast<int>(i + 1), dir));
    } else {
      RuleModel m;
      m.number = static_cast<int>(i + 1);
      m.rule = rule;
      m.enforced = false;
      p.rules.push_back(std::move(m));
    }
  }
  if (rules.empty()) add_implied(p.rules, target.router, "before last");
  add_implied(p.rules, target.router, "last");
  return p;
}

} // namespace kxan
