#include "kxui/users/kxa.h"
#include "kxui/users/kxa_entries.h"

#include <strings.h>

std::string kxa_text(const kxset *set, const char *attr) {
  if (!set)
    return "";
  const kxset *v = set->get(KxAtom(attr));
  return v ? v->getname() : "";
}

void kxa_put(kxset *set, const char *attr, const std::string &value) {
  set->set(KxAtom(attr), kxset::make(KxAtom(value)));
}

std::vector<std::string> kxa_groups_of(const kxset *object) {
  std::vector<std::string> out;
  const kxset *groups = object ? object->get(KxAtom("groups")) : nullptr;
  for (int i = 0; groups && i < groups->getnattr(); ++i)
    if (const kxset *g = groups->get(i); g && *g->getname())
      out.push_back(g->getname());
  return out;
}

std::vector<std::string> kxa_members_of(const kxset *group) {
  std::vector<std::string> out;
  for (int i = 0; group && i < group->getnattr(); ++i) {
    if (group->getattrnamea(i).is_named())
      continue; // a property, not a member
    if (const kxset *m = group->get(i); m && *m->getname())
      out.push_back(m->getname());
  }
  return out;
}

int is_user(const kxset *object) { return strcasecmp(kxa_text(object, "type").c_str(), "user") == 0; }
int is_template(const kxset *object) {
  return strcasecmp(kxa_text(object, "type").c_str(), "template") == 0;
}

bool kxa_detail::is_groupish(const kxset *o) {
  std::string t = kxa_text(o, "type");
  return strcasecmp(t.c_str(), "usrgroup") == 0 || strcasecmp(t.c_str(), "group") == 0;
}

kxset *kxa_detail::new_group(const std::string &name) {
  kxset *g = kxset::make(KxAtom(name));
  kxa_put(g, "type", "usrgroup");
  kxa_put(g, "class", "SDBM");
  return g;
}

kxset *kxa_detail::member_entry(const kxset *o) {
  kxset *m = kxset::make(KxAtom(o->getname()));
  kxa_put(m, "type", kxa_text(o, "type"));
  std::string color = kxa_text(o, "color");
  if (!color.empty())
    kxa_put(m, "color", color);
  return m;
}

void kxa_detail::drop_member(kxset *group, const std::string &name) {
  for (int i = group->getnattr() - 1; i >= 0; --i)
    if (!group->getattrnamea(i).is_named())
      if (const kxset *m = group->get(i); m && name == m->getname())
        group->remove(i);
}

// Replaces any member entry of the same name. The group's index of anonymous
// members is its attribute list, so this is one pass over the group.
void kxa_detail::put_member(kxset *group, const kxset *o) {
  drop_member(group, o->getname());
  group->append(KxAtom::null(), member_entry(o));
}

bool kxa_detail::lists_group(const kxset *o, const std::string &group) {
  for (auto &g : kxa_groups_of(o))
    if (g == group)
      return true;
  return false;
}

void kxa_detail::add_group_ref(kxset *o, const std::string &group) {
  kxset *groups = o->get(KxAtom("groups"));
  if (!groups) {
    groups = kxset::make();
    o->set(KxAtom("groups"), groups);
  }
  if (!lists_group(o, group))
    groups->append(KxAtom::null(), kxset::make(KxAtom(group)));
}

void kxa_detail::drop_group_ref(kxset *o, const std::string &group) {
  kxset *groups = o->get(KxAtom("groups"));
  for (int i = groups ? groups->getnattr() - 1 : -1; i >= 0; --i)
    if (const kxset *g = groups->get(i); g && group == g->getname())
      groups->remove(i);
}

bool kxa_detail::maintained(const std::string &g) {
  return g == KXA_ALL_USERS || g == KXA_ALL_GROUPS || g == KXA_ALL_TEMPLATES;
}
