#include "kxui/users/kxdb.h"

#include "kxset/sio.h"
#include "kxu/report.h"

KXDB *kxdb_init(const std::string &name) { return ndb_open(name); }
int kxdb_close(KXDB *db) { return ndb_close(db); }
int kxdb_updated(KXDB *db) { return ndb_updated(db); }

int kxdb_store(KXDB *db, int type, const kxset *set) {
  std::string text;
  if (!set || sio_swrite(text, set) != 0) {
    error(0, 0, "kxdb_store: sio write error !!\n");
    return -1;
  }
  KxdbJournal::note(db, type, set->getname());
  return ndb_store(db, type, set->getname(), text) ? 0 : -1;
}

int kxdb_create(KXDB *db, int type, const kxset *set) { return kxdb_store(db, type, set); }

namespace {

kxset *read_text(const char *text, size_t len) {
  sio_setfile(nullptr);
  sio_noscope_set(1);
  kxset *set = sio_sreadn(text, len);
  sio_noscope_set(0);
  return set;
}

} // namespace

kxset *kxdb_fetch(KXDB *db, int type, const std::string &name) {
  ndb_datum d = ndb_fetch(db, type, name);
  if (!d.dptr)
    return nullptr;
  return read_text(d.dptr, d.dsize);
}

int kxdb_delete(KXDB *db, int type, const std::string &name) {
  KxdbJournal::note(db, type, name);
  return ndb_delete(db, type, name) ? 0 : -1;
}

int kxdb_put_text(KXDB *db, int type, const std::string &key, const std::optional<std::string> &text) {
  KxdbJournal::note(db, type, key);
  if (text)
    return ndb_store(db, type, key, *text) ? 0 : -1;
  // Deleting an absent record is no failure here: the record is as wanted.
  ndb_delete(db, type, key);
  return ndb_fetch(db, type, key).dptr ? -1 : 0;
}

namespace {

std::vector<KxdbJournal *> &journals() {
  static std::vector<KxdbJournal *> open;
  return open;
}

} // namespace

KxdbJournal::KxdbJournal(KXDB *db) : db_(db) { journals().push_back(this); }

KxdbJournal::~KxdbJournal() { std::erase(journals(), this); }

void KxdbJournal::note(KXDB *db, int type, const std::string &key) {
  for (KxdbJournal *j : journals()) {
    if (j->db_ != db || !j->seen_.emplace(type, key).second)
      continue;
    ndb_datum d = ndb_fetch(db, type, key);
    std::optional<std::string> before;
    if (d.dptr)
      before.emplace(d.dptr, d.dsize);
    j->records_.push_back({type, key, std::move(before)});
  }
}

int KxdbJournal::rollback() {
  int rc = 0;
  for (auto r = records_.rbegin(); r != records_.rend(); ++r)
    if (kxdb_put_text(db_, r->type, r->key, r->before) != 0) {
      error(0, 0, "The user database record %s could not be put back", r->key.c_str());
      rc = -1;
    }
  return rc;
}

kxdb_iter *kxdb_iter_create(KXDB *db, int type) {
  ndb_iter *it = ndb_iter_create(db, type);
  if (!it)
    return nullptr;
  auto k = new kxdb_iter;
  k->it = it;
  return k;
}

kxset *kxdb_iter_next(kxdb_iter *it) {
  if (!it)
    return nullptr;
  ndb_datum d;
  while (ndb_iter_next(it->it, &d)) {
    if (kxset *set = read_text(d.dptr, d.dsize))
      return set;
    error(0, 0, "kxdb_iter: sio read error !!\n");
  }
  return nullptr;
}

void kxdb_iter_free(kxdb_iter *it) { delete it; }
