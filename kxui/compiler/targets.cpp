#include "kxui/compiler/targets.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/run.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace kxrb;

namespace {

enum { DIR_OUT = 1, DIR_IN = 2 };

// Results of table-wide searches, kept while a TargetCache lives.
struct Cache {
  std::map<std::tuple<const kxset *, std::string, int>, std::vector<kxset *>> tables;
  // Names of the members of collecting tables, caught up with the table's
  // growth on each use (the tables only grow while a compilation runs).
  struct Names {
    int seen = 0;
    std::unordered_set<const void *> names;
  };
  std::unordered_map<const kxset *, Names> collected;
};
// The cache of a compilation, there while a TargetCache of its run lives.
struct TargetTables : CompileRun::Part {
  std::unique_ptr<Cache> cache;
  int depth = 0;
};

TargetTables &tables(CompileRun &run) { return run.part<TargetTables>(CompileRun::Slot::targets); }
Cache *active_cache() { return tables(CompileRun::current()).cache.get(); }

bool holds(const kxset *dest, const kxset *m) {
  for (int i = 0, n = dest->getnattr(); i < n; ++i)
    if (dest->getattrnamea(i).is_null()) {
      const kxset *v = dest->get(i);
      if (v == m || (v && v->getnamea() == m->getnamea())) return true;
    }
  return false;
}

// gen_getfirewalled, except that without the Any shortcut an Any cell stands
// for every object of the network objects.
int firewalled(kxset *dest, const kxset *objects, const char *type, int flags) {
  if (!(flags & GEN_ANY_SHORTCUT) && cell_any(objects) && objects != kx_netobj)
    return firewalled_of_table(dest, kx_netobj, type);
  return gen_getfirewalled(dest, objects, type, flags);
}

// The targets among all objects of a table: every internal object with a
// firewall module (any router when `type` is "router") of the given type.
// Networks are not opened: the hosts and gateways within them are members of
// the table themselves.
void scan_table(std::vector<kxset *> &out, const kxset *table, const char *type,
                std::set<const kxset *> &seen) {
  bool router_search = type && ieq(type, "router");
  each_member(table, [&](kxset *m) {
    if (!seen.insert(m).second) return;
    if (is_group(m)) {
      scan_table(out, m, type, seen);
      return;
    }
    std::string_view loc = text(m, "location");
    if (!loc.empty() && !ieq(loc, "internal")) return;
    if (!router_search && !is_firewalled(m)) return;
    if (type && !ieq(text(m, "type"), type)) return;
    out.push_back(m);
  });
}

// Adds a target to a collecting table unless it holds that name already.
void collect_add(kxset *table, kxset *m) {
  Cache *cache = active_cache();
  if (!cache) {
    if (!holds(table, m)) table->append(KxAtom::null(), m);
    return;
  }
  Cache::Names &n = cache->collected[table];
  for (int k = table->getnattr(); n.seen < k; ++n.seen)
    if (table->getattrnamea(n.seen).is_null())
      if (const kxset *v = table->get(n.seen)) n.names.insert(v->getnamea().record());
  if (n.names.insert(m->getnamea().record()).second) {
    table->append(KxAtom::null(), m);
    ++n.seen;
  }
}

} // namespace

int firewalled_of_table(kxset *dest, const kxset *table, const char *type) {
  std::vector<kxset *> fresh;
  const std::vector<kxset *> *found = &fresh;
  if (Cache *cache = active_cache()) {
    auto key = std::make_tuple(table, std::string(type ? type : ""), 0);
    auto it = cache->tables.find(key);
    if (it == cache->tables.end()) {
      std::set<const kxset *> seen;
      scan_table(fresh, table, type, seen);
      it = cache->tables.emplace(key, std::move(fresh)).first;
    }
    found = &it->second;
  } else {
    std::set<const kxset *> seen;
    scan_table(fresh, table, type, seen);
  }
  int c = 0;
  for (kxset *m : *found)
    if (!holds(dest, m)) {
      dest->append(KxAtom::null(), m);
      ++c;
    }
  return c;
}

namespace {

int gatewaydir_bits() {
  std::string_view d = text(props_set(), "gatewaydir");
  if (d.empty() || d[0] == 'i' || d[0] == 'I') return DIR_IN;
  if (d[0] == 'o' || d[0] == 'O') return DIR_OUT;
  return DIR_IN | DIR_OUT;
}

} // namespace

TargetCache::TargetCache() : run_(CompileRun::current()) {
  TargetTables &t = tables(run_);
  if (t.depth++ == 0) t.cache = std::make_unique<Cache>();
}

TargetCache::~TargetCache() {
  TargetTables &t = tables(run_);
  if (--t.depth == 0) t.cache.reset();
}

const char *gen_targets(const kxset *rule, kxset *targets, int mode, kxset *collect, int flags) {
  const kxset *install = rule ? rule->get(KxAtom("install")) : nullptr;
  if (!install || !targets) return nullptr;
  KxSetRef fw_scratch(kxset::make()), rt_scratch(kxset::make());
  kxset *fw = mode < 0 ? fw_scratch.get() : targets;
  kxset *rt = mode != 0 ? targets : rt_scratch.get();
  int dir = 0, fw_found = 0, rt_found = 0;
  bool src = false, dst = false, gateways = false, routers = false;
  each_member(install, [&](kxset *m) {
    std::string_view w = name(m);
    if (ieq(w, "src")) src = true;
    else if (ieq(w, "dst")) dst = true;
    else if (ieq(w, "gateways") || ieq(w, "gateway")) gateways = true;
    else if (ieq(w, "routers")) routers = true;
  });
  if (src) dir |= DIR_OUT;
  if (dst) dir |= DIR_IN;
  if (gateways) dir |= gatewaydir_bits();
  if (src) fw_found += firewalled(fw, rule->get(KxAtom("src")), nullptr, flags);
  if (dst) fw_found += firewalled(fw, rule->get(KxAtom("dst")), nullptr, flags);
  if (gateways) fw_found += firewalled_of_table(fw, kx_netobj, "gateway");
  int named = gen_getfirewalled(fw, install, "gateway", flags & ~GEN_ANY_SHORTCUT);
  named += gen_getfirewalled(fw, install, "host", flags & ~GEN_ANY_SHORTCUT);
  fw_found += named;
  if (named > 0) dir = DIR_IN | DIR_OUT;
  if (routers) rt_found += firewalled_of_table(rt, kx_netobj, "router");
  rt_found += gen_getfirewalled(rt, install, "router", 0);
  if ((mode == 0 && rt_found > 0) || (mode < 0 && fw_found > 0))
    targets->set(KxAtom("others"), kxset::make(KxAtom("others")));
  if (collect) each_member(targets, [&](kxset *m) { collect_add(collect, m); });
  if (dir == DIR_OUT) return "outbound";
  if (dir == DIR_IN) return "inbound";
  return "eitherbound";
}

const char *kx_genscopelist(const kxset *rule, kxset *targets) {
  return gen_targets(rule, targets, TARGETS_FIREWALL, nullptr, GEN_ANY_SHORTCUT);
}

int target_count(const kxset *targets) {
  if (!targets) return 0;
  int n = targets->getnattr();
  KxAtom others = KxAtom::find("others");
  for (int i = 0, k = targets->getnattr(); i < k; ++i)
    if (!others.is_zero() && targets->getattrnamea(i) == others) --n;
  return n;
}

bool gen_scope(std::string &dst, const kxset *rule, kxset *lists, kxset *addresses) {
  KxSetRef targets(kxset::make());
  const char *dir = gen_targets(rule, targets.get(), TARGETS_FIREWALL, addresses, GEN_ANY_SHORTCUT);
  if (!dir || target_count(targets.get()) == 0) return false;
  dst += dir;
  dst += "\tall@";
  if (targets->get(KxAtom("any"))) {
    dst += "all";
  } else if (nmembers(targets.get()) == 1) {
    dst += script_name(name(first(targets.get())));
  } else {
    kxset *members = kxset::make();
    each_member(targets.get(), [&](kxset *m) { members->append(KxAtom::null(), m); });
    KxSetRef hold(members);
    dst += gen_list_name(lists, "target", members);
  }
  dst += "\n\t";
  return true;
}
