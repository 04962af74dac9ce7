#include "kxui/users/ndb.h"
#include "kxui/users/ndb_blocks.h"
#include "kxu/report.h"

#include <vector>

using namespace ndbi;

// Every used block (1 .. next unused - 1) must be on exactly one chain:
// the free list or one record's chain, each record head in the bucket its
// key hashes to, each record chain exactly as long as its payload needs.
std::string ndb_check(NDB *db) {
  if (!check_handle(db))
    return "database not opened\n";
  std::string out;
  uint32_t next = hdr(db, H_NEXT);
  std::vector<unsigned char> owner(next, 0); // 0 none, 1 free list, 2 record
  auto claim = [&](uint32_t n, unsigned char who, const char *what) {
    if (owner[n]) {
      out += kxu::format("block %u is on two chains (%s)\n", n, what);
      return false;
    }
    owner[n] = who;
    return true;
  };

  uint32_t steps = 0;
  for (uint32_t n = link_of(header(db) + H_FREE); n != 0; n = link_of(block(db, n))) {
    if (!valid_block(db, n)) {
      out += kxu::format("free list links to block %u past the used blocks\n", n);
      break;
    }
    if (owner[n] == 1 || ++steps >= next) {
      out += kxu::format("free list loops at block %u\n", n);
      break;
    }
    if (!claim(n, 1, "free list"))
      break;
  }

  for (uint32_t bucket = 0; bucket < NDB_BUCKETS; ++bucket) {
    uint32_t heads = 0;
    for (uint32_t h = link_of(table(db) + 3 * bucket); h != 0;
         h = link_of(block(db, h) + R_BUCKET)) {
      if (!valid_block(db, h)) {
        out += kxu::format("bucket %u links to block %u past the used blocks\n", bucket, h);
        break;
      }
      if (++heads >= next || owner[h] == 2) {
        out += kxu::format("bucket %u chain loops at block %u\n", bucket, h);
        break;
      }
      const unsigned char *b = block(db, h);
      if (!head_flag(b))
        out += kxu::format("block %u in bucket %u is not a record head\n", h, bucket);
      size_t klen = get24(b + R_KEYLEN), dlen = get24(b + R_DATALEN), total = klen + dlen;
      size_t need = total <= NDB_HEAD_PAYLOAD
                        ? 1
                        : 1 + (total - NDB_HEAD_PAYLOAD + NDB_NEXT_PAYLOAD - 1) / NDB_NEXT_PAYLOAD;
      if (!claim(h, 2, "record"))
        break;
      // The key, to check the bucket (read only when the chain holds it).
      std::string key;
      size_t blocks = 1, room = NDB_HEAD_PAYLOAD, skip = R_PAYLOAD;
      uint32_t n = h;
      bool chain_ok = true;
      for (;;) {
        const unsigned char *p = block(db, n);
        for (size_t i = 0; i < room && key.size() < klen; ++i)
          key += static_cast<char>(p[skip + i]);
        uint32_t nx = link_of(p);
        if (nx == 0)
          break;
        if (!valid_block(db, nx)) {
          out += kxu::format("record at block %u links to block %u past the used blocks\n", h, nx);
          chain_ok = false;
          break;
        }
        if (head_flag(block(db, nx)) || !claim(nx, 2, "record")) {
          chain_ok = false;
          break;
        }
        n = nx;
        ++blocks;
        room = NDB_NEXT_PAYLOAD;
        skip = 3;
      }
      if (chain_ok && blocks != need)
        out += kxu::format("record at block %u has %zu blocks for %zu payload bytes\n", h,
                           blocks, total);
      if (chain_ok && key.size() == klen && ndb_hash(key) != bucket)
        out += kxu::format("record \"%s\" is in bucket %u, its key belongs in bucket %u\n",
                           key.c_str(), bucket, ndb_hash(key));
    }
  }
  for (uint32_t n = 1; n < next; ++n)
    if (!owner[n])
      out += kxu::format("block %u is on no chain\n", n);
  return out;
}
