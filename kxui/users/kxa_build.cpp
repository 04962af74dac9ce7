// Building the user database anew from a downloaded set, as a module does
// when the station sends it its database: everything is stored into the
// temporary database, the S/Key chains of this gateway's users are brought
// into its chain file, and only a build that verifies replaces the current
// database; any failure leaves the current database and the chain file as
// they were.
#include "kxui/users/kxa.h"

#include "kxskey/skeyfile.h"
#include "kxu/report.h"
#include "kxui/users/user_attrs.h"

#include <strings.h>

namespace {

bool is_group(const kxset *o) {
  std::string t = kxa_text(o, "type");
  return strcasecmp(t.c_str(), "usrgroup") == 0 || strcasecmp(t.c_str(), "group") == 0;
}

bool maintained(const std::string &g) {
  return g == KXA_ALL_USERS || g == KXA_ALL_GROUPS || g == KXA_ALL_TEMPLATES;
}

// The objects of the downloaded set: the members of each of its top-level
// lists (`users`, `groups`, and any list of nodes, networks and domains).
std::vector<const kxset *> objects_of(const kxset *database) {
  std::vector<const kxset *> out;
  for (int i = 0; i < database->getnattr(); ++i)
    if (const kxset *list = database->get(i))
      for (int j = 0; j < list->getnattr(); ++j)
        if (const kxset *o = list->get(j); o && *o->getname())
          out.push_back(o);
  return out;
}

// A group's properties without its members: stored first, so that groups
// may list one another in any order.
KxSetRef properties_of(const kxset *group) {
  KxSetRef bare(kxset::make(KxAtom(group->getname())));
  for (int i = 0; i < group->getnattr(); ++i)
    if (KxAtom attr = group->getattrnamea(i); attr.is_named())
      bare->set(attr, kxsetcopy(group->get(i), -1));
  return bare;
}

bool has_member(const kxset *group, const std::string &name) {
  for (auto &m : kxa_members_of(group))
    if (m == name)
      return true;
  return false;
}

// What the built database lacks of the downloaded set, one line per fault.
std::string missing(const std::vector<const kxset *> &objects) {
  std::string out;
  for (const kxset *o : objects) {
    std::string name = o->getname();
    if (is_group(o) && maintained(name))
      continue;
    KxSetRef built(is_group(o) ? kxa_fetchgroup(name) : kxa_fetch(o));
    if (!built) {
      out += kxu::format("%s was not stored\n", name.c_str());
      continue;
    }
    if (is_group(o))
      for (auto &m : kxa_members_of(o))
        if (!has_member(built.get(), m))
          out += kxu::format("group %s lacks its member %s\n", name.c_str(), m.c_str());
  }
  return out;
}

// Stores every object into the current (temporary) database and updates the
// chain file; the number of objects refused.
int store_all(const std::vector<const kxset *> &objects, const std::string &host,
              SkeyFile &chains) {
  int refused = 0;
  std::vector<const kxset *> groups;
  for (const kxset *o : objects) {
    if (is_group(o)) {
      if (!maintained(o->getname()))
        groups.push_back(o);
      continue;
    }
    KxSetRef copy(kxsetcopy(o, -1));
    if (kxa_store(copy.get()) != 0) {
      ++refused;
      continue;
    }
    if (!is_user(o) || kxa_text(o, "SKEY_gateway") != host)
      continue;
    if (kxa_text(o, "SKEY_passwd").empty()) {
      // Chosen for S/Key but no chain generated yet: nothing to check with.
      kx_message("user %s has no S/Key chain yet", o->getname());
      continue;
    }
    KxSetRef previous(kxdb_fetch(kxa_db_kept(), KXA_USER, o->getname()));
    if (check_skey(o, previous.get(), host, chains) != 0)
      ++refused;
  }
  for (const kxset *g : groups)
    if (kxa_store_group(properties_of(g).get()) != 0)
      ++refused;
  for (const kxset *g : groups) {
    KxSetRef copy(kxsetcopy(g, -1));
    if (kxa_store_group(copy.get()) != 0)
      ++refused;
  }
  return refused;
}

} // namespace

int kxa_build_db(const kxset *database, const std::string &host, const std::string &chain_file) {
  if (!database)
    return -1;
  if (!kxa_db()) {
    error(0, 0, "ndb: database not opened");
    return -1;
  }
  SkeyFile chains;
  if (chains.Open(chain_file, "") != 0)
    return -1;
  if (!kxa_db_new()) {
    chains.clean();
    error(0, 0, "kxa_build_db: cannot open the temporary database");
    return -1;
  }
  std::vector<const kxset *> objects = objects_of(database);
  int refused = store_all(objects, host, chains);
  std::string faults = kxa_check() + missing(objects);
  if (refused || !faults.empty()) {
    error(0, 0, "Database build failed: %d objects refused\n%s", refused, faults.c_str());
    kxa_db_restore();
    chains.clean();
    return -1;
  }
  if (kxa_db_replace() != 0) {
    chains.clean();
    return -1;
  }
  // Users no longer checked here leave the chain file.
  return chains.SaveAndClose(true) == 0 ? 0 : -1;
}
