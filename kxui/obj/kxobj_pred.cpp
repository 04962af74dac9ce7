// Classification of objects by type and properties, and matching.
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"
#include "kxui/obj/tables.h"

#include <cstring>

using kxobj_detail::each_member;
using kxobj_detail::ieq;
using kxobj_detail::lookup_atom;

namespace {

bool type_is(const kxset *obj, const char *type) { return ieq(kxobj_type(obj), type); }

bool type_begins(const kxset *obj, const char *prefix) {
  const char *t = kxobj_type(obj);
  return t && strncasecmp(t, prefix, std::strlen(prefix)) == 0;
}

} // namespace

int is_node(const kxset *obj) {
  return type_is(obj, "host") || type_is(obj, "router") || type_is(obj, "gateway");
}
int is_net(const kxset *obj) { return type_begins(obj, "net"); }
int is_domain(const kxset *obj) { return type_begins(obj, "dom"); }
int is_group(const kxset *obj) { return type_is(obj, "group") || type_is(obj, "usrgroup"); }
int is_usergroup(const kxset *obj) { return type_is(obj, "usrgroup"); }
int is_internal(const kxset *obj) { return ieq(kxobj_get(obj, "location"), "internal"); }
int is_firewalled(const kxset *obj) { return ieq(kxobj_get(obj, "firewall"), "installed"); }
int kxobj_isref(const kxset *obj) { return type_is(obj, "refobj"); }

int kxobj_isany(const kxset *obj) {
  if (!obj) return 0;
  if (ieq(obj->getname(), "any")) return 1;
  const kxset *first = kxobj_ithmember(obj, 0);
  return first && ieq(first->getname(), "any");
}

int kxobj_empty(const kxset *obj) { return !obj || obj->getnattr() == 0; }

int kxobj_match(const kxset *obj, const char *type, const char *attr,
                const std::vector<std::string> &values) {
  const char *t = kxobj_type(obj);
  if (!t) return 0;
  if (type && strncasecmp(t, type, 3) != 0) return 0;
  if (!attr) return 1;
  const kxset *v = obj->get(lookup_atom(attr));
  if (!v) return 1;
  for (const std::string &want : values)
    if (ieq(v->getname(), want.c_str())) return 1;
  return 0;
}

int kxobj_add(kxset *list, const char *type, const kxset *table, const char *attr,
              const std::vector<std::string> &values) {
  if (!list) return 0;
  if (!table) table = kx_netobj;
  int examined = 0;
  std::vector<KxSetRef> found; // collected first: list may be the table
  each_member(table, [&](kxset *m) {
    ++examined;
    if (kxobj_match(m, type, attr, values)) found.emplace_back(m);
    return false;
  });
  for (const KxSetRef &m : found) kxobj_append(list, m.get());
  return examined;
}

int kxobj_del(kxset *list, const char *type, const char *attr,
              const std::vector<std::string> &values) {
  if (!list) return 0;
  int removed = 0;
  for (int i = list->getnattr() - 1; i >= 0; --i)
    if (kxobj_match(list->get(i), type, attr, values)) {
      list->remove(i);
      ++removed;
    }
  return removed;
}
