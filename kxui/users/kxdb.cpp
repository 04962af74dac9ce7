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
  return ndb_delete(db, type, name) ? 0 : -1;
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
