#include "kxui/compiler/cond_adapter.h"

#include "kxui/compiler/expr.h"

namespace kxrb {

bool cond_netobj(std::string &dst, const char *field, kxset *cell, kxset *lists,
                 kxset *addresses, bool sep, bool accept, bool allow_domains,
                 std::string *domain) {
  return gen_netobj(dst, field, cell, lists, addresses, sep, accept, allow_domains, domain);
}

void cond_services(std::string &dst, kxset *cell, kxset *services) {
  gen_rule_services(dst, cell, services);
}

std::string list_name_for(kxset *lists, const char *kind, const kxset *members) {
  return gen_list_name(lists, kind, members);
}

void list_counter_reset() { reset_list_counter(); }

std::string iface_name(const kxset *, kxset *iface, int) { return fix_ifname(iface); }

kxset *iface_netobj(kxset *object, kxset *iface) {
  bool created = false;
  return makeifobj(object, iface, nullptr, true, &created);
}

} // namespace kxrb
