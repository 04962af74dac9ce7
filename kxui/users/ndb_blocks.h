// Block access inside an open ndb file (shared by the ndb sources).
#pragma once

#include "kxui/users/ndb.h"

namespace ndbi {

inline uint32_t get24(const unsigned char *p) {
  return (uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
}
inline void put24(unsigned char *p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 16);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v);
}
inline uint32_t link_of(const unsigned char *p) { return get24(p) & 0x7FFFFF; }
inline bool head_flag(const unsigned char *p) { return p[0] & 0x80; }
inline void set_link(unsigned char *p, uint32_t v, bool head) {
  put24(p, (v & 0x7FFFFF) | (head ? 0x800000u : 0));
}

// Header fields (byte offsets in block 0).
enum : size_t { H_FREE = 0, H_NEXT = 3, H_FREECOUNT = 6, H_CAPACITY = 9, H_UPDATES = 12, H_MAGIC = 15 };
// Record head fields.
enum : size_t { R_NEXT = 0, R_BUCKET = 3, R_KEYLEN = 6, R_DATALEN = 9, R_TYPE = 12, R_PAYLOAD = 13 };

inline unsigned char *table(NDB *db) { return db->map; }
inline unsigned char *block(NDB *db, uint32_t n) {
  return db->map + NDB_TABLE_SIZE + size_t(n) * NDB_BLOCK;
}
inline unsigned char *header(NDB *db) { return block(db, 0); }
inline uint32_t hdr(NDB *db, size_t field) { return get24(header(db) + field); }
inline void set_hdr(NDB *db, size_t field, uint32_t v) { put24(header(db) + field, v); }
inline uint32_t capacity(NDB *db) { return hdr(db, H_CAPACITY); }
// Blocks that may hold data: 1 .. next unused - 1 (never past the capacity).
inline bool valid_block(NDB *db, uint32_t n) { return n >= 1 && n < hdr(db, H_NEXT); }

bool check_handle(NDB *db);

// A record head found for (type, key): `prev` is the link that points at
// it (when asked for); `tail` is the last link of the bucket's chain when the
// chain was walked (0 in `head` means absent, and the chain was walked).
struct Lookup {
  uint32_t head = 0;
  unsigned char *prev = nullptr;
  unsigned char *tail = nullptr;
};
Lookup find(NDB *db, int type, const std::string &key, bool want_prev);
// Keep the handle's index in step with its own changes.
void index_added(NDB *db, const std::string &key, uint32_t head, int type);
void index_removed(NDB *db, const std::string &key, uint32_t head);

} // namespace ndbi
