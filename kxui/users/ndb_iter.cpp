#include "kxui/users/ndb.h"
#include "kxui/users/ndb_blocks.h"

#include <algorithm>
#include <cstring>

using namespace ndbi;

ndb_iter *ndb_iter_create(NDB *db, int type) {
  if (!check_handle(db))
    return nullptr;
  auto it = new ndb_iter;
  it->db = db;
  it->type = type;
  it->bucket = 0;
  it->next_block = link_of(table(db));
  return it;
}

void ndb_iter_free(ndb_iter *it) { delete it; }

namespace {

bool read_record(NDB *db, uint32_t head, std::string &key, std::string *data) {
  const unsigned char *b = block(db, head);
  size_t klen = get24(b + R_KEYLEN), dlen = get24(b + R_DATALEN);
  size_t limit = size_t(capacity(db)) * NDB_NEXT_PAYLOAD;
  if (klen + dlen > limit)
    return false;
  std::string all(klen + (data ? dlen : 0), '\0');
  // Copy block by block, bounded by the capacity.
  size_t done = 0, room = NDB_HEAD_PAYLOAD, skip = R_PAYLOAD;
  uint32_t n = head, steps = 0;
  while (done < all.size()) {
    if (!valid_block(db, n) || ++steps > capacity(db))
      return false;
    const unsigned char *p = block(db, n);
    size_t take = std::min(room, all.size() - done);
    std::memcpy(all.data() + done, p + skip, take);
    done += take;
    n = link_of(p);
    room = NDB_NEXT_PAYLOAD;
    skip = 3;
  }
  key.assign(all, 0, klen);
  if (data)
    data->assign(all, klen, std::string::npos);
  return true;
}

} // namespace

const char *ndb_iter_next(ndb_iter *it, ndb_datum *data) {
  if (!it || !check_handle(it->db))
    return nullptr;
  NDB *db = it->db;
  uint32_t cap = capacity(db);
  while (it->bucket < NDB_BUCKETS) {
    uint32_t n = it->next_block;
    if (n == 0 || !valid_block(db, n) || ++it->steps > cap) {
      // Next bucket (a damaged chain ends its bucket).
      if (++it->bucket < NDB_BUCKETS)
        it->next_block = link_of(table(db) + 3 * it->bucket);
      it->steps = 0;
      continue;
    }
    const unsigned char *b = block(db, n);
    it->next_block = link_of(b + R_BUCKET);
    if (it->type >= 0 && b[R_TYPE] != it->type)
      continue;
    if (!read_record(db, n, it->key_buf, data ? &it->data_buf : nullptr))
      continue;
    if (data)
      *data = {it->data_buf.c_str(), it->data_buf.size()};
    return it->key_buf.c_str();
  }
  return nullptr;
}
