// Walking groups. Groups may contain each other (directly or through
// sub-groups), so every walk remembers the groups it has entered and enters
// each at most once.
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"

#include <unordered_set>

using kxobj_detail::each_member;
using kxobj_detail::ieq;

namespace {

using Seen = std::unordered_set<const kxset *>;

kxset *find_in(kxset *group, const kxset *obj, Seen &seen) {
  if (!group || !obj) return nullptr;
  if (group == obj) return group;
  if (!seen.insert(group).second) return nullptr;
  if (each_member(group, [&](kxset *m) { return m == obj; })) return group;
  kxset *found = nullptr;
  each_member(group, [&](kxset *m) {
    if (is_group(m)) found = find_in(m, obj, seen);
    return found != nullptr;
  });
  return found;
}

// Depth first, a group before its sub-groups: the first that holds obj.
kxset *holder(kxset *group, const kxset *obj, Seen &seen) {
  if (!seen.insert(group).second) return nullptr;
  if (each_member(group, [&](kxset *m) { return m == obj; })) return group;
  kxset *found = nullptr;
  each_member(group, [&](kxset *m) {
    if (is_group(m)) found = holder(m, obj, seen);
    return found != nullptr;
  });
  return found;
}

bool holds(const kxset *list, const kxset *obj) {
  for (int i = 0, n = list->getnattr(); i < n; ++i)
    if (list->get(i) == obj) return true;
  return false;
}

void flat_into(kxset *list, kxset *group) {
  kxobj_append(list, group);
  for (int i = group->getnattr() - 1; i >= 0; --i) {
    if (!kxobj_detail::is_anonymous(group, i)) continue;
    kxset *m = group->get(i);
    if (!m || holds(list, m)) continue;
    if (is_group(m))
      flat_into(list, m);
    else
      kxobj_append(list, m);
  }
}

template <typename Test> bool all_pass(const kxset *obj, const Test &test, Seen &seen) {
  if (!obj) return false;
  if (!is_group(obj)) return test(obj);
  if (!seen.insert(obj).second) return true; // already being checked
  return !each_member(obj, [&](kxset *m) { return !all_pass(m, test, seen); });
}

} // namespace

kxset *kxobj_find(kxset *group, const kxset *obj) {
  Seen seen;
  return find_in(group, obj, seen);
}

kxset *kxobj_intersec(kxset *set, const kxset *obj) {
  if (!set || !obj) return nullptr;
  Seen seen;
  return holder(set, obj, seen);
}

std::vector<kxset *> kxobj_find_parents(const kxset *table, const kxset *obj) {
  std::vector<kxset *> out;
  if (!obj) return out;
  const KxAtom &name = obj->getnamea();
  each_member(table, [&](kxset *g) {
    if (is_group(g) && each_member(g, [&](kxset *m) { return m->getnamea() == name; }))
      out.push_back(g);
    return false;
  });
  return out;
}

void kxobj_flat(kxset *list, kxset *group) {
  if (!list || !group || holds(list, group)) return;
  flat_into(list, group);
}

int kxobj_propval(const kxset *obj, const char *attr, const char *value) {
  Seen seen;
  return all_pass(obj, [&](const kxset *o) { return ieq(kxobj_get(o, attr), value); }, seen);
}

int kxobj_propfunc(const kxset *obj, const std::function<int(const kxset *)> &predicate) {
  if (!predicate) return 0;
  Seen seen;
  return all_pass(obj, [&](const kxset *o) { return predicate(o) != 0; }, seen);
}

int kxobj_prop(const kxset *obj, const char *attr) {
  Seen seen;
  return all_pass(obj, [&](const kxset *o) { return *kxobj_get(o, attr) != '\0'; }, seen);
}
