#include "kxui/compiler/auth.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/logtab.h"
#include "kxui/compiler/rule_gen.h"
#include "kxui/compiler/targets.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"
#include "kxu/report.h"

#include <set>

using namespace kxrb;

int (*kx_usergroup_known)(const char *group) = nullptr;

namespace {

bool authservice(const kxset *s, std::set<const kxset *> &seen) {
  if (!s) return false;
  if (is_group(s)) {
    if (!seen.insert(s).second) return true; // a loop adds nothing new
    bool all = true, some = false;
    each_member(s, [&](kxset *m) {
      some = true;
      if (all && !authservice(m, seen)) all = false;
    });
    return some && all;
  }
  return ieq(name(s), "telnet") || ieq(name(s), "ftp");
}

bool usergroups(const kxset *cell, std::set<const kxset *> &seen) {
  bool found = false;
  each_member(cell, [&](kxset *m) {
    if (found) return;
    if (is_usergroup(m)) found = true;
    else if (is_group(m) && seen.insert(m).second) found = usergroups(m, seen);
  });
  return found;
}

// The install target object of a word ("Src", "Dst"): the targets table's,
// else a new object of that name and type.
kxset *target_word(const char *word) {
  if (kxset *t = kxobj_obj(kx_targets, word)) return t;
  kxset *t = kxset::make(KxAtom(word));
  t->set(KxAtom("type"), kxset::make(KxAtom(word)));
  return t;
}

kxset *new_cell() { return kxset::make(); }

void add_unique(kxset *cell, kxset *m) {
  if (!kxobj_obj(cell, m->getname())) cell->append(KxAtom::null(), m);
}

// A rule made of the given cells, installed on `install_word`.
kxset *make_rule(kxset *src, kxset *dst, const kxset *orig, const char *install_word) {
  kxset *r = kxset::make();
  r->set(KxAtom("src"), src);
  r->set(KxAtom("dst"), dst);
  for (const char *c : {"services", "action", "track"})
    if (kxset *v = orig->get(KxAtom(c))) r->set(KxAtom(c), v);
  kxset *install = new_cell();
  install->append(KxAtom::null(), target_word(install_word));
  r->set(KxAtom("install"), install);
  return r;
}

} // namespace

int is_authservice(const kxset *service) {
  std::set<const kxset *> seen;
  return authservice(service, seen);
}

int contain_usergroups(const kxset *cell) {
  std::set<const kxset *> seen;
  return usergroups(cell, seen);
}

int exist_usergroup(const char *group) { return kx_usergroup_known ? kx_usergroup_known(group) : 1; }

void no_other_srv(kxset *dst, const kxset *services) {
  each_member(services, [&](kxset *s) {
    std::string_view t = text(s, "type");
    if (!ieq(t, "other") && !ieq(t, "icmp")) dst->append(KxAtom::null(), s);
  });
}

std::optional<std::string> gen_authcheck(const rule_array &rules) {
  std::string out;
  auto say = [&](const std::string &msg) {
    out += msg;
    return !check_full(out);
  };
  for (size_t i = 0; i < rules.size(); ++i) {
    const kxset *rule = rules[i];
    int n = static_cast<int>(i + 1);
    const kxset *src = rule->get(KxAtom("src"));
    if (!is_authrule(rule)) {
      if (contain_usergroups(src) &&
          !say(kxu::format("Rule %d: Usergroups can be used only on User Auth rules\n", n)))
        break;
      continue;
    }
    bool full = false;
    auto msg = [&](const std::string &m) {
      if (!full && !say(m)) full = true;
    };
    if (!cell_any(src))
      each_member(src, [&](kxset *m) {
        if (is_usergroup(m)) {
          std::string group(name(m).substr(0, name(m).find('@')));
          if (!exist_usergroup(group.c_str()))
            msg(kxu::format("Rule %d: %s no longer exists\n", n, group.c_str()));
        } else {
          msg(kxu::format("Rule %d: Only usergroups are allowed Src in User Auth rules\n", n));
        }
      });
    const kxset *svc = rule->get(KxAtom("services"));
    if (cell_not(svc))
      msg(kxu::format("Rule %d: Negation is not available for auth services", n));
    else
      each_member(svc, [&](kxset *s) {
        if (!is_authservice(s))
          msg(kxu::format("Rule %d: User auth is not available for service %s\n", n, s->getname()));
      });
    const kxset *install = rule->get(KxAtom("install"));
    for (const char *word : {"Routers", "Src", "Dst", "All"})
      if (kxobj_member(install, word))
        msg(kxu::format("Rule %d: User auth can not be installed on %s\n", n, word));
    bool router = false;
    each_member(install, [&](kxset *m) { router = router || ieq(text(m, "type"), "router"); });
    if (router) msg(kxu::format("Rule %d: User auth can not be installed on routers\n", n));
    if (full) break;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

kxset *translate_auth_rule(const kxset *rule) {
  KxSetRef targets(kxset::make());
  gen_targets(rule, targets.get(), TARGETS_FIREWALL, nullptr, GEN_ANY_SHORTCUT);
  const kxset *src = rule->get(KxAtom("src"));
  kxset *locations = new_cell();
  if (cell_any(src)) {
    locations->append(KxAtom::null(), first(src));
  } else {
    each_member(src, [&](kxset *m) {
      kxset *at = m->get(KxAtom("at"));
      if (at && !name(at).empty()) add_unique(locations, resolve_named(at, kx_netobj));
    });
  }
  kxset *gw_dst = new_cell(), *gw_src = new_cell();
  each_member(targets.get(), [&](kxset *t) {
    gw_dst->append(KxAtom::null(), t);
    gw_src->append(KxAtom::null(), t);
  });
  kxset *dst = rule->get(KxAtom("dst"));
  kxset *pair = kxset::make();
  pair->append(KxAtom::null(), make_rule(locations, gw_dst, rule, "Dst"));
  pair->append(KxAtom::null(), make_rule(gw_src, dst ? dst : new_cell(), rule, "Src"));
  return pair;
}

bool gen_authrule(std::string &dst, const kxset *rule, kxset *lists, kxset *services,
                  kxset *addresses, int n) {
  KxSetRef pair(translate_auth_rule(rule));
  const kxset *act = rule_action_obj(rule);
  bool ok = true;
  each_member(pair.get(), [&](kxset *r) {
    if (ok) ok = gen_rule(dst, r, lists, services, addresses, n);
    for (const char *t : {"accept_track", "reject_track"})
      if (act) gen_alerts(resolve_named(act->get(KxAtom(t)), kx_trackobj));
  });
  return ok;
}

kxset *gen_authrulebase(const rule_array &rules) {
  kxset *base = kxset::make();
  for (size_t i = 0; i < rules.size(); ++i) {
    if (!is_authrule(rules[i])) continue;
    kxset *copy = rule_copy(rules[i]);
    copy->setname(KxAtom(kxu::format("rule-%zu", i + 1)));
    base->append(KxAtom::null(), copy);
  }
  return base;
}
