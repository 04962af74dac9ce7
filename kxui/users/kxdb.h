// kxdb: property sets stored in an ndb file, as set text under the set's name.
#pragma once

#include "kxset/kxset.h"
#include "kxui/users/ndb.h"

#include <string>

using KXDB = NDB;

KXDB *kxdb_init(const std::string &name);
int kxdb_close(KXDB *db);
int kxdb_updated(KXDB *db);
// 0, or -1 ("kxdb_store: sio write error !!\n") when the set cannot be written
// or stored.
int kxdb_store(KXDB *db, int type, const kxset *set);
int kxdb_create(KXDB *db, int type, const kxset *set);
// A new set (the caller owns it), null when absent or unreadable. Names the
// text uses but nobody declared are tolerated.
kxset *kxdb_fetch(KXDB *db, int type, const std::string &name);
int kxdb_delete(KXDB *db, int type, const std::string &name);

struct kxdb_iter {
  ndb_iter *it = nullptr;
  ~kxdb_iter() { ndb_iter_free(it); }
};
kxdb_iter *kxdb_iter_create(KXDB *db, int type);
// The next record read into a new set (owned by the caller), null at the end.
// A record that cannot be read is reported ("kxdb_iter: sio read error !!\n")
// and skipped.
kxset *kxdb_iter_next(kxdb_iter *it);
void kxdb_iter_free(kxdb_iter *it);
