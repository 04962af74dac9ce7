// The modules and routers that installation offers.
#include "kxu/report.h"
#include "kxui/obj/firewalled.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"
#include "kxui/obj/tables.h"

using kxobj_detail::each_member;
using kxobj_detail::ieq;

namespace {

KxSetRef &candidates() {
  static KxSetRef c;
  return c;
}
KxSetRef &selection() {
  static KxSetRef s;
  return s;
}

// The members with their own properties copied: enough to decide later
// without following group loops into an endless copy.
kxset *keep_copy(const kxset *list) { return kxsetcopy(list, 2); }

bool is_module(const kxset *obj) {
  const char *loc = kxobj_get(obj, "location");
  return (ieq(kxobj_type(obj), "host") || ieq(kxobj_type(obj), "gateway")) &&
         (!*loc || ieq(loc, "internal")) && is_firewalled(obj);
}

std::vector<std::string> modules(const kxset *list, const kxset *only) {
  std::vector<std::string> out;
  each_member(list, [&](kxset *m) {
    if (is_module(m) && (!only || kxobj_obj(only, m->getname()))) out.emplace_back(m->getname());
    return false;
  });
  return out;
}

} // namespace

void kx_sethosts(const kxset *list) {
  if (list)
    candidates() = KxSetRef(keep_copy(list));
  else if (!candidates() && kx_netobj)
    candidates() = KxSetRef(keep_copy(kx_netobj));
}

void kx_setselected(const kxset *list) {
  selection() = list ? KxSetRef(keep_copy(list)) : KxSetRef();
}

void kx_resethosts() {
  candidates() = KxSetRef();
  selection() = KxSetRef();
}

std::vector<std::string> kx_gethosts() {
  const kxset *list = candidates() ? candidates().get() : kx_netobj;
  return modules(list, selection().get());
}

std::vector<std::string> kx_getsysconf() { return modules(kx_netobj, nullptr); }

kxset *kxobj_all_routers(const kxset *table, const char *vendor) {
  KxSetRef found(kxobj_newlist());
  gen_getfirewalled(found.get(), table ? table : kx_netobj, "router", 0);
  kxset *out = kxobj_newlist();
  each_member(found.get(), [&](kxset *r) {
    const char *v = kxobj_get(r, "vendor");
    if (*v && (!vendor || ieq(v, vendor))) kxobj_append(out, r);
    return false;
  });
  return out;
}

int kxobj_n_routers() {
  int n = 0;
  each_member(kx_netobj, [&](kxset *m) {
    n += ieq(kxobj_type(m), "router");
    return false;
  });
  return n;
}

std::vector<std::string> kxobj_routers() {
  std::vector<std::string> out;
  each_member(kx_netobj, [&](kxset *m) {
    if (ieq(kxobj_type(m), "router")) out.emplace_back(m->getname());
    return false;
  });
  return out;
}

std::optional<std::vector<std::string>> kxobj_types(const std::vector<std::string> &names) {
  std::vector<std::string> out;
  for (const std::string &name : names) {
    const kxset *obj = kxobj_obj(kx_netobj, name.c_str());
    if (!obj) {
      error(0, 0, "cannot find object '%s'", name.c_str());
      return std::nullopt;
    }
    const char *vendor = kxobj_get(obj, "vendor");
    if (!*vendor) {
      error(0, 0, "cannot find vendor of object '%s'", name.c_str());
      return std::nullopt;
    }
    out.emplace_back(vendor);
  }
  return out;
}
