#include "kxui/users/kxa_change.h"

#include "kxu/report.h"
#include "kxui/users/kxa.h"

std::optional<KxaChange> kxa_record(const std::function<int()> &op) {
  KXDB *db = kxa_db();
  if (!db) {
    error(0, 0, "ndb: database not opened");
    return std::nullopt;
  }
  KxdbJournal journal(db);
  if (op() != 0) {
    journal.rollback();
    return std::nullopt;
  }
  KxaChange change;
  for (const KxdbJournal::Record &r : journal.records()) {
    ndb_datum d = ndb_fetch(db, r.type, r.key);
    std::optional<std::string> after;
    if (d.dptr)
      after.emplace(d.dptr, d.dsize);
    if (after != r.before)
      change.records.push_back({r.type, r.key, r.before, std::move(after)});
  }
  return change;
}

int kxa_change_put(const KxaChange &change, bool after) {
  if (change.empty())
    return 0;
  auto done = kxa_record([&] {
    KXDB *db = kxa_db();
    const size_t n = change.records.size();
    for (size_t i = 0; i < n; ++i) {
      // Taken back last written first, so that every step leaves the
      // order of writes the change itself kept.
      const KxaChange::Record &r = change.records[after ? i : n - 1 - i];
      if (kxdb_put_text(db, r.type, r.key, after ? r.after : r.before) != 0) {
        error(0, 0, "The user database record %s could not be written", r.key.c_str());
        return -1;
      }
    }
    kxdb_updated(db);
    return 0;
  });
  return done ? 0 : -1;
}
