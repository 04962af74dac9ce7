// The filter: rules in order with the implied rules of the properties, and
// its projection onto the routers.
#include "kxui/wellfleet/wellfleet.h"
#include "kxui/wellfleet/wfield.h"

#include "kxset/sio.h"
#include "kxu/report.h"
#include "kxu/text.h"
#include "kxui/router/rtenv.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/tables.h"

#include <cstdio>
#include <strings.h>

namespace {

using kxu::ieq;

// The scope and source of rules that apply everywhere: Any. (The network
// object "default" names the addresses behind an interface, which need not
// cover every router; Any does.)
KxSetRef everywhere() {
  KxSetRef s(kxobj_newlist());
  kxset *any = kxobj_member(kx_kxobj, "any");
  s->append(KxAtom::null(), any ? any : kxset::make("Any"));
  return s;
}

bool is_wellfleet_router(const kxset *o) {
  return is_node(o) && ieq(kxobj_type(o), "router") && ieq(kxobj_get(o, "vendor"), "wellfleet");
}

void add_routers(kxset *scope, const std::vector<kxset *> &objs) {
  for (kxset *o : objs)
    if (is_wellfleet_router(o) && !kxobj_obj(scope, kxobj_name(o)))
      scope->append(KxAtom::null(), o);
}

kxset *action_gen(const kxset *rule) {
  kxset *action = kxset::make();
  if (kxset *a = kxobj_ithmember(rule_get_set(rule, RULE_ACTION), 0))
    action->append(KxAtom::null(), a);
  kxset *track = kxobj_ithmember(rule_get_set(rule, RULE_TRACK), 0);
  if (track && track->getnamea().is_named()) action->append(KxAtom::null(), kxset::make("log"));
  return action;
}

void set_priority(kxset *rule, int n) { kxobj_put(rule, "priority", std::to_string(n).c_str()); }

} // namespace

kxset *kxell_scope_gen(const kxset *rule) {
  const kxset *install = rule_get_set(rule, RULE_INSTALL);
  if (!install) return nullptr;
  if (kxobj_member(install, "Routers")) return everywhere().release();
  kxset *scope = kxobj_newlist();
  add_routers(scope, rtenv::flat_members(install));
  if (kxobj_member(install, "Src")) add_routers(scope, rtenv::flat_members(rule_get_set(rule, RULE_SRC)));
  if (kxobj_member(install, "Dst")) add_routers(scope, rtenv::flat_members(rule_get_set(rule, RULE_DST)));
  return scope;
}

int kxell_rule_gen(kxset *filter, const kxset *rule) {
  KxSetRef scope(kxell_scope_gen(rule));
  if (!scope || kxobj_nmember(scope.get()) == 0) return 0;
  KxSetRef base(kxset::make());
  base->append("scope", scope.get());
  base->append("action", action_gen(rule));
  const kxset *src = rule_get_set(rule, RULE_SRC);
  base->append("src", src ? const_cast<kxset *>(src) : kxset::make());
  if (kxell_netobj_gen(base.get(), "ip_src", src) < 0 ||
      kxell_netobj_gen(base.get(), "ip_dst", rule_get_set(rule, RULE_DST)) < 0)
    return -1;
  std::vector<KxSetRef> rules;
  if (kxell_service_gen(rules, base.get(), rule_get_set(rule, RULE_SERVICES)) < 0) return -1;
  for (KxSetRef &r : rules) {
    if (!r->get(KxAtom::find("field"))) {
      kxset *any = kxell_wany();
      if (!any) {
        error(0, 0, "cannot find ::wellfleet::wany");
        return -1;
      }
      r->append("field", any);
    }
  }
  for (KxSetRef &r : rules) filter->append("rule", r.get());
  return 0;
}

int kxell_props_gen(kxset *filter, const char *where, kxset *scope) {
  const kxset *props = rtenv::props();
  const kxset *defs = kxell_wprops();
  for (int i = 0; defs && i < defs->getnattr(); ++i) {
    const kxset *def = defs->get(i);
    if (!defs->getattrnamea(i).is_null() || !def) continue;
    const char *prop = kxobj_get(def, "prop");
    const char *location = kxobj_get(def, "location");
    for (const char *name : {prop, location}) {
      if (*name && !(props && props->get(KxAtom::find(name)))) {
        error(0, 0, "cannot find propery '%s'", name);
        return -1;
      }
    }
    if (!*prop || !rtenv::obj_true(props, prop)) continue;
    const char *at = *location ? kxobj_get(props, location) : "first";
    if (!ieq(at, where)) continue;
    for (kxset *tmpl : kxobj_array(def, "rule")) {
      KxSetRef r(kxsetcopy(tmpl, 0, KxAtom::null()));
      r->set("scope", scope);
      r->set("src", scope);
      filter->append("rule", r.get());
    }
  }
  return 0;
}

kxset *kxell_filter_gen(const kxset *container, int interactive) {
  rule_list rules;
  for (kxset_iterator it(container, KxAtom("rule")); kxset *r = it.next();) rules.emplace_back(r);
  std::string warnings = rtenv::check_routers(rules);
  if (!warnings.empty()) {
    if (interactive)
      error(0, 0, "Warning:\n%s", warnings.c_str());
    else
      std::fprintf(stderr, "Filter check failed: %s", warnings.c_str());
    return nullptr;
  }
  KxSetRef scope = everywhere();
  KxSetRef filter(kxset::make());
  auto props = [&](const char *where) {
    if (kxell_props_gen(filter.get(), where, scope.get()) == 0) return true;
    error(0, 0, "Cannot create properties");
    return false;
  };
  auto one = [&](size_t i) {
    if (kxell_rule_gen(filter.get(), rules[i].get()) == 0) return true;
    error(0, 0, "Failed to generate rule %d", static_cast<int>(i) + 1);
    return false;
  };
  if (!props("first")) return nullptr;
  for (size_t i = 0; i + 1 < rules.size(); ++i)
    if (!one(i)) return nullptr;
  if (!props("before last") || (!rules.empty() && !one(rules.size() - 1)) || !props("last"))
    return nullptr;
  int n = 0;
  for (kxset_iterator it(filter.get(), KxAtom("rule")); kxset *r = it.next();) set_priority(r, ++n);
  return filter.release();
}

kxset *kxell_filter_project(const kxset *filter, const kxset *routers) {
  kxset *out = kxset::make(filter->getnamea());
  int n = 0;
  for (int i = 0; i < filter->getnattr(); ++i) {
    const KxAtom name = filter->getattrnamea(i);
    kxset *v = filter->get(i);
    if (name.view() != "rule") {
      out->append(name, v);
      continue;
    }
    const kxset *scope = v->get(KxAtom::find("scope"));
    if (!scope) {
      error(0, 0, "Badly formed rule. No scope specified");
      continue;
    }
    if (!rtenv::cells_overlap(scope, routers)) continue;
    kxset *r = kxsetcopy(v, 0);
    set_priority(r, ++n);
    out->append(name, r);
  }
  return out;
}

kxset *kxell_any_gen() { return kxobj_all_routers(nullptr, "wellfleet"); }

std::optional<std::string> wellfleet_rulebase(const rule_list &rules, const kxset *routers) {
  KxSetRef container(kxset::make());
  for (const KxSetRef &r : rules) container->append("rule", r.get());
  KxSetRef filter(kxell_filter_gen(container.get(), 1));
  if (!filter) return std::nullopt;
  KxSetRef all;
  if (!routers) {
    all = KxSetRef(kxell_any_gen());
    routers = all.get();
  }
  KxSetRef projected(kxell_filter_project(filter.get(), routers));
  std::string text;
  if (sio_swrite(text, projected.get(), kx_objects) < 0) {
    error(0, 0, "Cannot write the filter");
    return std::nullopt;
  }
  return text;
}
