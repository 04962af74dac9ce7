// kxdb: property sets stored in an ndb file, as set text under the set's name.
#pragma once

#include "kxset/kxset.h"
#include "kxui/users/ndb.h"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

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
// Stores or (text null) deletes the record (type, key) as raw text: how kept
// record texts are put back. 0 or -1.
int kxdb_put_text(KXDB *db, int type, const std::string &key, const std::optional<std::string> &text);

// While alive, keeps the text each record written through `db` had before
// its first write in that time (none for a record that was absent), so that
// a run of writes can be taken back whole. Journals nest: each sees every
// write made while it lives.
class KxdbJournal {
public:
  struct Record {
    int type;
    std::string key;
    std::optional<std::string> before;
  };
  explicit KxdbJournal(KXDB *db);
  ~KxdbJournal();
  KxdbJournal(const KxdbJournal &) = delete;
  KxdbJournal &operator=(const KxdbJournal &) = delete;

  KXDB *db() const { return db_; }
  // In the order of first writes.
  const std::vector<Record> &records() const { return records_; }
  // Writes every kept text back, last written first. 0, or -1 when a record
  // could not be put back (reported).
  int rollback();
  // Called by the writers of the layer before a record changes.
  static void note(KXDB *db, int type, const std::string &key);

private:
  KXDB *db_;
  std::vector<Record> records_;
  std::set<std::pair<int, std::string>> seen_;
};

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
