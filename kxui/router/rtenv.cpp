// The compiler pieces the router generators use, gathered behind one seam.
#include "kxui/router/rtenv.h"

#include "kxui/compiler/access.h"
#include "kxui/compiler/addr.h"
#include "kxui/compiler/algebra.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/driver.h"
#include "kxui/compiler/sections.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"

#include <algorithm>

namespace rtenv {

bool netaddr(const kxset *obj, uint32_t &out, int report) {
  uint32_t a = obj_netaddr_n(obj, report);
  if (a == KX_NOADDR) return false;
  out = a;
  return true;
}

uint32_t netmask(const kxset *obj) { return obj_netmask_n(obj, 0); }

std::string port(const kxset *service, int report) {
  return obj_port(service, report).value_or("");
}

bool cell_any(const kxset *cell) { return cell_isany(cell); }
bool cell_negated(const kxset *cell) { return obj_isnot(cell); }
bool overlaps(const kxset *a, const kxset *b) { return grp_intersec(a, b) != 0; }
bool within(const kxset *a, const kxset *b) { return grp_in(a, b) != 0; }
bool cells_overlap(const kxset *a, const kxset *b) { return kxobj_do_intersec(a, b) != 0; }

KxSetRef universe(kxset *router, kxset *iface) { return KxSetRef(kx_getuniverse(router, iface)); }
std::string access_name(const kxset *netaccess) { return getaccessname(netaccess); }
bool is_open(const kxset *netaccess) { return ::is_open(netaccess) != 0; }

std::string check_routers(const rule_list &rules) {
  return check_routers_rulebase(rules_of(rules)).value_or("");
}

std::string label_line() {
  std::string s;
  gen_filter_label(s, file_getname());
  return s;
}

std::string version_line() {
  std::string s;
  gen_filter_version(s);
  return s;
}

kxset *props() { return kxrb::props_set(); }
kxset *netobj() { return kx_netobj; }
bool prop_where(const char *where, const char *name) { return ::prop_where(where, name); }
bool obj_true(const kxset *set, const char *name) { return ::obj_true(set, name); }

std::vector<kxset *> flat_members(const kxset *cell) {
  std::vector<kxset *> out;
  std::vector<const kxset *> seen;
  auto walk = [&](auto &self, const kxset *s) -> void {
    kxrb::each_member(s, [&](kxset *m) {
      if (is_group(m)) {
        if (std::find(seen.begin(), seen.end(), m) != seen.end()) return;
        seen.push_back(m);
        self(self, m);
      } else if (std::find(out.begin(), out.end(), m) == out.end()) {
        out.push_back(m);
      }
    });
  };
  walk(walk, cell);
  return out;
}

} // namespace rtenv
