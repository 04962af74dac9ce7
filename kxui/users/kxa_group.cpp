// Replacing a user group whole: its properties, its members and its name.
#include "kxui/users/kxa.h"

#include "kxu/report.h"
#include "kxui/users/kxa_entries.h"

#include <algorithm>
#include <set>

using namespace kxa_detail;

namespace {

bool has(const std::vector<std::string> &names, const std::string &name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The record of a member: a user or template, else a group.
KxSetRef member_record(KXDB *db, const std::string &name, int &type) {
  type = KXA_USER;
  KxSetRef r(kxdb_fetch(db, KXA_USER, name));
  if (!r) {
    type = KXA_GROUP;
    r = KxSetRef(kxdb_fetch(db, KXA_GROUP, name));
  }
  return r;
}

// Makes `o` list `name` under `groups` right where it lists `old` (or at
// the end), so that a rename keeps the order of the memberships.
void ref_beside(kxset *o, const std::string &old, const std::string &name) {
  if (lists_group(o, name))
    return;
  kxset *groups = o->get(KxAtom("groups"));
  for (int i = 0; groups && i < groups->getnattr(); ++i)
    if (const kxset *g = groups->get(i); g && old == g->getname()) {
      groups->insert(i + 1, KxAtom::null(), kxset::make(KxAtom(name)));
      return;
    }
  add_group_ref(o, name);
}

// Puts the entry of `o` in the group `group` where the entry `old` was (or
// at the end), creating the group when absent.
int entry_in_place(KXDB *db, const std::string &group, const std::string &old, const kxset *o) {
  KxSetRef g(kxdb_fetch(db, KXA_GROUP, group));
  if (!g)
    return group_member(group, o, true);
  int at = -1;
  for (int i = g->getnattr() - 1; i >= 0; --i)
    if (!g->getattrnamea(i).is_named())
      if (const kxset *m = g->get(i); m && (old == m->getname() || std::string(o->getname()) == m->getname())) {
        g->remove(i);
        at = i;
      }
  if (at < 0)
    g->append(KxAtom::null(), member_entry(o));
  else
    g->insert(at, KxAtom::null(), member_entry(o));
  return kxdb_store(db, KXA_GROUP, g.get());
}

int drop_entry(KXDB *db, const std::string &group, const std::string &name) {
  KxSetRef g(kxdb_fetch(db, KXA_GROUP, group));
  if (!g)
    return 0;
  drop_member(g.get(), name);
  return kxdb_store(db, KXA_GROUP, g.get());
}

std::string loop_message(const std::string &target, const std::string &container) {
  return kxu::format("Membership loop: Group %s contained in group %s", target.c_str(), container.c_str());
}

struct Member {
  std::string name;
  int type;
  KxSetRef record;
};

// Everything checked before the first write; the refusal, or empty.
std::string refusal(KXDB *db, const std::string &old, const std::string &name, bool renamed, bool is_new,
                    const std::vector<std::string> &names, std::vector<Member> &members,
                    const std::vector<std::string> &parents) {
  if (name.empty())
    return "kxa_store_delete: kxset type group has no name";
  if (maintained(name))
    return name + " Can't be modified";
  if (is_new || renamed)
    if (KxSetRef clash(kxdb_fetch(db, KXA_GROUP, name)); clash)
      return name + ": Already exists (usrgroup)";
  for (const std::string &m : names) {
    if (m == name || m == old)
      return loop_message(name, name);
    if (maintained(m))
      return m + " is kept by the database itself";
    Member mem{m, 0, {}};
    mem.record = member_record(db, m, mem.type);
    if (!mem.record)
      return kxu::format("%s: no such user or group", m.c_str());
    if (is_template(mem.record.get()))
      return "User Templates may not be added to groups";
    if (mem.type == KXA_GROUP && !is_new && kxa_group_contains(m, old))
      return loop_message(name, m);
    members.push_back(std::move(mem));
  }
  for (const std::string &p : parents) {
    if (p == name || p == old)
      return loop_message(name, name);
    for (const Member &m : members)
      if (m.name == p || (m.type == KXA_GROUP && kxa_group_contains(m.name, p)))
        return loop_message(p, name);
  }
  return {};
}

} // namespace

bool kxa_group_contains(const std::string &container, const std::string &name) {
  KXDB *db = kxa_db();
  std::vector<std::string> todo{container};
  std::set<std::string> seen{container};
  while (!todo.empty()) {
    KxSetRef g(kxdb_fetch(db, KXA_GROUP, todo.back()));
    todo.pop_back();
    for (const std::string &m : kxa_members_of(g.get())) {
      if (m == name)
        return true;
      if (!maintained(m) && seen.insert(m).second)
        todo.push_back(m); // a user's name finds no group record: no cost
    }
  }
  return false;
}

int kxa_replace_group(const kxset *from, const kxset *to) {
  KXDB *db = kxa_db();
  if (!db) {
    error(0, 0, "ndb: database not opened");
    return -1;
  }
  if (!to) {
    if (!from)
      return 0;
    KxSetRef gone(kxsetcopy(from, -1));
    return kxa_delete_group(gone.get());
  }
  const std::string name = to->getname();
  const std::string old = from ? from->getname() : name;
  const bool renamed = old != name;
  KxSetRef stored(from ? kxdb_fetch(db, KXA_GROUP, old) : nullptr);
  if (from && !stored) {
    error(0, 0, "%s: no such group", old.c_str());
    return -1;
  }
  std::vector<std::string> names;
  for (const std::string &m : kxa_members_of(to))
    if (!has(names, m))
      names.push_back(m);
  std::vector<std::string> parents;
  for (const std::string &p : kxa_groups_of(to))
    if (!maintained(p) && !has(parents, p))
      parents.push_back(p);
  std::vector<Member> members;
  if (std::string why = refusal(db, old, name, renamed, !from, names, members, parents); !why.empty()) {
    error(0, 0, "%s", why.c_str());
    return -1;
  }

  KxSetRef rec(new_group(name));
  for (int i = 0; i < to->getnattr(); ++i)
    if (KxAtom attr = to->getattrnamea(i); attr.is_named() && std::string(attr.c_str()) != "deleted")
      rec->set(attr, kxsetcopy(to->get(i), -1));
  for (const Member &m : members)
    put_member(rec.get(), m.record.get());

  // Members that leave: out of the group first, then their records.
  for (const std::string &m : kxa_members_of(stored.get())) {
    if (has(names, m))
      continue;
    drop_member(stored.get(), m);
    if (kxdb_store(db, KXA_GROUP, stored.get()) != 0)
      return -1;
    int type = 0;
    if (KxSetRef r = member_record(db, m, type); r && lists_group(r.get(), old)) {
      drop_group_ref(r.get(), old);
      if (kxdb_store(db, type, r.get()) != 0)
        return -1;
    }
  }
  // The members' records list the group before the group lists them.
  for (Member &m : members)
    if (!lists_group(m.record.get(), name)) {
      ref_beside(m.record.get(), old, name);
      if (kxdb_store(db, m.type, m.record.get()) != 0)
        return -1;
    }
  if (kxdb_store(db, KXA_GROUP, rec.get()) != 0)
    return -1;
  for (const char *kept : {KXA_ALL_GROUPS, KXA_ALL_USERS})
    if (entry_in_place(db, kept, old, rec.get()) != 0)
      return -1;
  for (const std::string &p : parents)
    if (entry_in_place(db, p, old, rec.get()) != 0)
      return -1;
  for (const std::string &p : kxa_groups_of(stored.get()))
    if (!maintained(p) && !has(parents, p) && drop_entry(db, p, old) != 0)
      return -1;
  // A renamed group's old record goes last, then the references to it.
  if (renamed) {
    if (kxdb_delete(db, KXA_GROUP, old) != 0)
      return -1;
    for (Member &m : members) {
      drop_group_ref(m.record.get(), old);
      if (kxdb_store(db, m.type, m.record.get()) != 0)
        return -1;
    }
  }
  kxdb_updated(db);
  return 0;
}
