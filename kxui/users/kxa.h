// kxa: users, templates, user groups and the objects the modules look up,
// kept consistent in one current database.
//
// Records: 1 node or network (and 2, its address index entry), 3 domain,
// 4 user or template, 5 user group. A user or group names the groups it
// belongs to under `groups` (one leaf per group); a group record holds one
// anonymous member entry per member (named after it, with its `type` and
// `color`). The program keeps three groups itself: "All Users" (every user,
// template and group), "ALL_GROUPS" and "ALL_TEMPLATES".
//
// Every record is written whole, so a member is stored before the groups
// that list it and taken out of groups before its record goes: an operation
// cut short leaves at worst a record listing a group that does not list it
// yet, never a group member whose record does not list the group.
#pragma once

#include "kxset/kxset.h"
#include "kxui/users/kxdb.h"

#include <string>
#include <vector>

enum kxa_type { KXA_NODE = 1, KXA_ADDR = 2, KXA_DOMAIN = 3, KXA_USER = 4, KXA_GROUP = 5 };

inline const char *const KXA_ALL_USERS = "All Users";
inline const char *const KXA_ALL_GROUPS = "ALL_GROUPS";
inline const char *const KXA_ALL_TEMPLATES = "ALL_TEMPLATES";

// "conf" (flag non-zero) or "database" below the installation, base name
// "kxauth" ("kxauth_dbg" in debug mode); cached per flag.
std::string kxa_get_dbname(int flag);
// Uses `name` instead of the installation's database (tests, tools).
int kxa_db_init_named(const std::string &name);
int kxa_db_init(int flag);
void kxa_db_close();
KXDB *kxa_db();
// The temporary database ("<name>tmp"), its replacement of the real one, and
// its removal.
int kxa_db_new();
int kxa_db_replace();
int kxa_db_restore();
// The real database while a temporary one is current (else null).
KXDB *kxa_db_kept();

kxset *kxa_fetchuser(const std::string &name);
kxset *kxa_fetchgroup(const std::string &name);
kxset *kxa_fetchdns(const std::string &name);
kxset *kxa_fetchnode(const std::string &name);
kxset *kxa_fetch(const kxset *object);

int kxa_store(kxset *object);
int kxa_delete(kxset *object);
int kxa_store_group(kxset *group);
int kxa_delete_group(kxset *group);
// Makes the database hold the group `to` instead of `from` (either may be
// null): `to` gives the name, the properties, the members (by name; their
// entries are made from their records) and under `groups` the groups it
// belongs to. A rename keeps every membership in place: the members'
// references and the entries in the groups that hold it. Refused (reported,
// -1, nothing written) for a name kept by the database, a name another
// group holds, a member that is no user or group, a template or the group
// itself, and a membership loop.
int kxa_replace_group(const kxset *from, const kxset *to);
// Does the group `container` hold `name`, directly or through its groups?
bool kxa_group_contains(const std::string &container, const std::string &name);
// (users (...) groups (...)); the caller owns it.
kxset *kxa_fetch_all();

// Builds the current database anew from a downloaded set (the lists of
// kxa_fetch_all, and any list of nodes, networks and domains) in the
// temporary database, brings the S/Key chains of the users checked on `host`
// into its chain file `chain_file` (touched when unchanged since the current
// database, else rewritten; users no longer checked there leave it), and
// replaces the current database when the build verifies: every object
// stored, every S/Key password legal, every group with its members, the file
// sound. 0, or -1 (reported) with the current database and the chain file
// left as they were.
int kxa_build_db(const kxset *database, const std::string &host, const std::string &chain_file);

int is_user(const kxset *object);
int is_template(const kxset *object);

// Walks the current database: ndb structure, then every group member's record
// listing the group. One line per fault, empty when sound.
std::string kxa_check();

// Small set helpers used by the layer and the tools.
std::string kxa_text(const kxset *set, const char *attr);
void kxa_put(kxset *set, const char *attr, const std::string &value);
std::vector<std::string> kxa_groups_of(const kxset *object);
std::vector<std::string> kxa_members_of(const kxset *group);

// The answer for the compiler's kx_usergroup_known hook: 1 when the
// installation's user database holds the group.
int kxa_usergroup_known(const char *group);
