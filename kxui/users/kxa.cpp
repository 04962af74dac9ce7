#include "kxui/users/kxa.h"

#include "kxu/report.h"
#include "kxui/users/kxa_entries.h"

#include <strings.h>

using namespace kxa_detail;

namespace {

bool ieq(const std::string &a, const char *b) { return strcasecmp(a.c_str(), b) == 0; }

// Record type of an object, 0 when it has none.
int record_type(const kxset *o) {
  std::string t = kxa_text(o, "type");
  if (ieq(t, "host") || ieq(t, "gateway") || ieq(t, "router") || ieq(t, "node") ||
      strncasecmp(t.c_str(), "net", 3) == 0)
    return KXA_NODE;
  if (strncasecmp(t.c_str(), "dom", 3) == 0)
    return KXA_DOMAIN;
  if (is_user(o) || is_template(o))
    return KXA_USER;
  if (is_groupish(o))
    return KXA_GROUP;
  return 0;
}

int store_delete(kxset *o, bool store) {
  KXDB *db = kxa_db();
  if (!db) {
    error(0, 0, "ndb: database not opened");
    return -1;
  }
  int type = record_type(o);
  if (type == KXA_NODE) {
    std::string addr = kxa_text(o, "ipaddr");
    if (addr.empty()) {
      error(0, 0, "kxa_store_delete: type '%s' has no ipaddr", kxa_text(o, "type").c_str());
      return -1;
    }
    if (store) {
      KxSetRef index(kxset::make(KxAtom(addr)));
      kxa_put(index.get(), "name", o->getname());
      kxdb_store(db, KXA_ADDR, index.get());
    } else {
      kxdb_delete(db, KXA_ADDR, addr);
    }
  } else if (type != KXA_DOMAIN && type != KXA_USER) {
    error(0, 0, "kxa_store_delete:'%s' is not a valid type", kxa_text(o, "type").c_str());
    return -1;
  }
  bool tmpl = is_template(o);
  if (!tmpl) {
    KxSetRef old(kxdb_fetch(db, type, o->getname()));
    for (auto &g : kxa_groups_of(old.get()))
      if (!store || !lists_group(o, g))
        group_member(g, o, false);
  }
  if (store ? kxdb_store(db, type, o) != 0 : kxdb_delete(db, type, o->getname()) != 0)
    return -1;
  if (type == KXA_USER) {
    if (tmpl)
      group_member(KXA_ALL_TEMPLATES, o, store);
    group_member(KXA_ALL_USERS, o, store);
  }
  if (store && !tmpl)
    for (auto &g : kxa_groups_of(o))
      if (!maintained(g))
        group_member(g, o, true);
  kxdb_updated(db);
  return 0;
}

} // namespace

int kxa_detail::group_member(const std::string &group, const kxset *o, bool add) {
  KXDB *db = kxa_db();
  KxSetRef g(kxdb_fetch(db, KXA_GROUP, group));
  if (!g) {
    if (!add)
      return 0;
    g = KxSetRef(new_group(group));
    if (!maintained(group)) {
      if (kxdb_store(db, KXA_GROUP, g.get()) != 0)
        return -1;
      group_member(KXA_ALL_GROUPS, g.get(), true);
      group_member(KXA_ALL_USERS, g.get(), true);
    }
  }
  if (add)
    put_member(g.get(), o);
  else
    drop_member(g.get(), o->getname());
  return kxdb_store(db, KXA_GROUP, g.get());
}

kxset *kxa_fetchuser(const std::string &name) { return kxdb_fetch(kxa_db(), KXA_USER, name); }
kxset *kxa_fetchgroup(const std::string &name) { return kxdb_fetch(kxa_db(), KXA_GROUP, name); }
kxset *kxa_fetchdns(const std::string &name) { return kxdb_fetch(kxa_db(), KXA_DOMAIN, name); }
kxset *kxa_fetchnode(const std::string &name) { return kxdb_fetch(kxa_db(), KXA_NODE, name); }

kxset *kxa_fetch(const kxset *o) {
  int type = record_type(o);
  if (!type) {
    error(0, 0, "kxa_fetch : illegal type %s\n", kxa_text(o, "type").c_str());
    return nullptr;
  }
  return kxdb_fetch(kxa_db(), type, o->getname());
}

int kxa_store(kxset *o) { return o ? store_delete(o, true) : -1; }
int kxa_delete(kxset *o) { return o ? store_delete(o, false) : -1; }

int kxa_store_group(kxset *group) {
  KXDB *db = kxa_db();
  if (!group || !*group->getname()) {
    error(0, 0, "kxa_store_delete: kxset type group has no name");
    return -1;
  }
  if (!db) {
    error(0, 0, "ndb: database not opened");
    return -1;
  }
  std::string name = group->getname();
  KxSetRef stored(kxdb_fetch(db, KXA_GROUP, name));
  if (!stored) {
    stored = KxSetRef(new_group(name));
    if (kxdb_store(db, KXA_GROUP, stored.get()) != 0)
      return -1;
    group_member(KXA_ALL_GROUPS, stored.get(), true);
    group_member(KXA_ALL_USERS, stored.get(), true);
  }
  kxset *g = stored.get();
  // Properties other than the member entries and `deleted` come from the
  // caller's group.
  for (int i = 0; i < group->getnattr(); ++i) {
    KxAtom attr = group->getattrnamea(i);
    if (attr.is_named() && std::string(attr.c_str()) != "deleted")
      g->set(attr, kxsetcopy(group->get(i), -1));
  }
  // Members first leave (their records first), then join (records first).
  for (auto &m : kxa_members_of(group->get(KxAtom("deleted")))) {
    for (int type : {KXA_USER, KXA_GROUP}) {
      if (KxSetRef rec(kxdb_fetch(db, type, m)); rec && lists_group(rec.get(), name)) {
        drop_member(g, m);
        kxdb_store(db, KXA_GROUP, g);
        drop_group_ref(rec.get(), name);
        kxdb_store(db, type, rec.get());
      }
    }
    drop_member(g, m);
  }
  for (auto &m : kxa_members_of(group)) {
    KxSetRef rec(kxdb_fetch(db, KXA_USER, m));
    int type = KXA_USER;
    if (!rec) {
      rec = KxSetRef(kxdb_fetch(db, KXA_GROUP, m));
      type = KXA_GROUP;
    }
    if (!rec || m == name) {
      error(0, 0, "kxa_store_group: no user or group %s for %s", m.c_str(), name.c_str());
      continue;
    }
    if (!lists_group(rec.get(), name)) {
      add_group_ref(rec.get(), name);
      kxdb_store(db, type, rec.get());
    }
    put_member(g, rec.get());
  }
  int rc = kxdb_store(db, KXA_GROUP, g);
  kxdb_updated(db);
  return rc;
}

int kxa_delete_group(kxset *group) {
  KXDB *db = kxa_db();
  if (!group || !*group->getname() || !db)
    return -1;
  std::string name = group->getname();
  KxSetRef stored(kxdb_fetch(db, KXA_GROUP, name));
  if (!stored)
    return -1;
  // The group record goes first, so no member is left in a group whose
  // record does not list it.
  for (auto &g : kxa_groups_of(stored.get()))
    group_member(g, stored.get(), false);
  group_member(KXA_ALL_GROUPS, stored.get(), false);
  group_member(KXA_ALL_USERS, stored.get(), false);
  kxdb_delete(db, KXA_GROUP, name);
  for (auto &m : kxa_members_of(stored.get()))
    for (int type : {KXA_USER, KXA_GROUP})
      if (KxSetRef rec(kxdb_fetch(db, type, m)); rec && lists_group(rec.get(), name)) {
        drop_group_ref(rec.get(), name);
        kxdb_store(db, type, rec.get());
      }
  kxdb_updated(db);
  return 0;
}

kxset *kxa_fetch_all() {
  KXDB *db = kxa_db();
  kxset *all = kxset::make();
  kxset *users = kxset::make(), *groups = kxset::make();
  all->set(KxAtom("users"), users);
  all->set(KxAtom("groups"), groups);
  KxSetRef everyone(kxdb_fetch(db, KXA_GROUP, KXA_ALL_USERS));
  for (int i = 0; everyone && i < everyone->getnattr(); ++i) {
    if (everyone->getattrnamea(i).is_named())
      continue;
    const kxset *m = everyone->get(i);
    bool group = is_groupish(m);
    kxset *rec = kxdb_fetch(db, group ? KXA_GROUP : KXA_USER, m->getname());
    if (!rec) {
      error(0, 0, "fetch DB:<%s> ignored", m->getname());
      continue;
    }
    (group ? groups : users)->append(KxAtom::null(), rec);
  }
  for (const char *g : {KXA_ALL_USERS, KXA_ALL_GROUPS})
    if (kxset *rec = kxdb_fetch(db, KXA_GROUP, g))
      groups->append(KxAtom::null(), rec);
  return all;
}

std::string kxa_check() {
  KXDB *db = kxa_db();
  std::string out = ndb_check(db);
  if (!out.empty())
    return out;
  kxdb_iter *it = kxdb_iter_create(db, KXA_GROUP);
  while (kxset *raw = kxdb_iter_next(it)) {
    KxSetRef g(raw);
    std::string name = g->getname();
    if (maintained(name))
      continue;
    for (auto &m : kxa_members_of(g.get())) {
      KxSetRef rec(kxdb_fetch(db, KXA_USER, m));
      if (!rec)
        rec = KxSetRef(kxdb_fetch(db, KXA_GROUP, m));
      if (!rec)
        out += kxu::format("group %s lists %s, which has no record\n", name.c_str(), m.c_str());
      else if (!lists_group(rec.get(), name))
        out += kxu::format("group %s lists %s, whose record does not list the group\n",
                           name.c_str(), m.c_str());
    }
  }
  kxdb_iter_free(it);
  return out;
}
