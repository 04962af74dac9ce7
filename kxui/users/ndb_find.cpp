// Finding a record head: through the handle's per-bucket index when it names
// a head that the file confirms, else by walking the bucket's chain (which
// rebuilds the bucket's index).
#include "kxui/users/ndb.h"
#include "kxui/users/ndb_blocks.h"

#include <algorithm>
#include <cstring>

namespace ndbi {

namespace {

// FNV-1a over the part of the key that the head block holds, so that a walk
// indexes a head without reading further blocks.
uint64_t prefix_hash(const unsigned char *p, size_t len) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < std::min(len, NDB_HEAD_PAYLOAD); ++i)
    h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

uint64_t prefix_hash(const std::string &key) {
  return prefix_hash(reinterpret_cast<const unsigned char *>(key.data()), key.size());
}

// Whether the payload of the record at `head` starts with `key`, compared in
// place block by block.
bool key_matches(NDB *db, uint32_t head, const std::string &key) {
  const unsigned char *b = block(db, head);
  if (get24(b + R_KEYLEN) != key.size())
    return false;
  size_t done = 0, room = NDB_HEAD_PAYLOAD, skip = R_PAYLOAD;
  uint32_t n = head, steps = 0, cap = capacity(db);
  for (;;) {
    size_t take = std::min(room, key.size() - done);
    if (std::memcmp(b + skip, key.data() + done, take) != 0)
      return false;
    done += take;
    if (done == key.size())
      return true;
    n = link_of(b);
    if (!valid_block(db, n) || ++steps > cap)
      return false;
    b = block(db, n);
    room = NDB_NEXT_PAYLOAD;
    skip = 3;
  }
}

bool is_head_of(NDB *db, uint32_t n, int type, const std::string &key) {
  return valid_block(db, n) && head_flag(block(db, n)) && block(db, n)[R_TYPE] == type &&
         key_matches(db, n, key);
}

// The authoritative lookup: the whole chain of the bucket, indexed on the
// way. A damaged chain (a link past the used blocks, a loop) leaves the
// bucket unindexed.
Lookup walk(NDB *db, uint32_t bucket, int type, const std::string &key) {
  std::vector<ndb_index_entry> &entries = db->index[bucket];
  entries.clear();
  Lookup found;
  unsigned char *link = table(db) + 3 * bucket;
  uint32_t limit = hdr(db, H_NEXT), steps = 0;
  bool sound = true;
  for (uint32_t n = link_of(link); n != 0; n = link_of(link)) {
    if (!valid_block(db, n) || ++steps >= limit) {
      sound = false;
      break;
    }
    unsigned char *b = block(db, n);
    uint32_t key_len = get24(b + R_KEYLEN);
    entries.push_back({prefix_hash(b + R_PAYLOAD, key_len), n, key_len, b[R_TYPE]});
    if (!found.head && b[R_TYPE] == type && key_matches(db, n, key)) {
      found.head = n;
      found.prev = link;
    }
    link = b + R_BUCKET;
  }
  found.tail = link;
  db->indexed[bucket] = sound;
  if (!sound)
    std::vector<ndb_index_entry>().swap(entries);
  return found;
}

} // namespace

Lookup find(NDB *db, int type, const std::string &key, bool want_prev) {
  uint32_t bucket = ndb_hash(key);
  if (db->indexed.empty()) {
    db->index.resize(NDB_BUCKETS);
    db->indexed.assign(NDB_BUCKETS, 0);
  }
  if (db->indexed[bucket]) {
    const std::vector<ndb_index_entry> &entries = db->index[bucket];
    uint64_t hash = prefix_hash(key);
    for (size_t i = 0; i < entries.size(); ++i) {
      const ndb_index_entry &e = entries[i];
      if (e.key_hash != hash || e.type != type || e.key_len != key.size())
        continue;
      if (!is_head_of(db, e.block, type, key))
        break;
      if (!want_prev)
        return {e.block, nullptr, nullptr};
      // The link that points at the head: the bucket entry, or the bucket
      // link of the head before it, which must still be a head.
      unsigned char *prev = table(db) + 3 * bucket;
      if (i > 0) {
        uint32_t p = entries[i - 1].block;
        if (!valid_block(db, p) || !head_flag(block(db, p)))
          break;
        prev = block(db, p) + R_BUCKET;
      }
      if (link_of(prev) == e.block)
        return {e.block, prev, nullptr};
      break;
    }
  }
  return walk(db, bucket, type, key);
}

void index_added(NDB *db, const std::string &key, uint32_t head, int type) {
  uint32_t bucket = ndb_hash(key);
  if (db->indexed.empty() || !db->indexed[bucket])
    return;
  db->index[bucket].push_back(
      {prefix_hash(key), head, uint32_t(key.size()), static_cast<unsigned char>(type)});
}

void index_removed(NDB *db, const std::string &key, uint32_t head) {
  uint32_t bucket = ndb_hash(key);
  if (db->indexed.empty() || !db->indexed[bucket])
    return;
  std::vector<ndb_index_entry> &entries = db->index[bucket];
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const ndb_index_entry &e) { return e.block == head; }),
                entries.end());
}

} // namespace ndbi
