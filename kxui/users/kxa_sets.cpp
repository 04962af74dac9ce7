#include "kxui/users/kxa.h"

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
