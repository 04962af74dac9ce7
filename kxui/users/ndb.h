// ndb: a small keyed file of byte strings under (type, key).
//
// Layout (big-endian, block numbers are 23 bits in 3 bytes): a bucket table of
// 4096 three-byte entries, then 256-byte blocks; block 0 is the header (free
// list head, next unused block, free count, capacity, update counter, magic
// 0xCDEF12). A record is a chain of blocks whose head holds the links, the key
// and data lengths, the type and the first 243 payload bytes; further blocks
// hold a link and 253 payload bytes. The file is mapped shared; changes go
// straight to it and closing flushes.
//
// The file is outside input: every link and length read from it is checked
// against the file's capacity, and walks stop after as many steps as there
// are blocks, so a damaged file gives failures, never stray memory access or
// endless loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t NDB_MAGIC = 0xCDEF12;
constexpr size_t NDB_BUCKETS = 4096;
constexpr size_t NDB_TABLE_SIZE = 3 * NDB_BUCKETS; // 12288
constexpr size_t NDB_BLOCK = 256;
constexpr uint32_t NDB_MAX_BLOCKS = 0x80000;
constexpr size_t NDB_MAP_SIZE = NDB_TABLE_SIZE + NDB_BLOCK * NDB_MAX_BLOCKS; // 0x8003000
constexpr uint32_t NDB_GROW = 32;
constexpr size_t NDB_HEAD_PAYLOAD = 243;
constexpr size_t NDB_NEXT_PAYLOAD = 253;

struct ndb_datum {
  const char *dptr = nullptr;
  size_t dsize = 0;
};

// What a handle remembers of one record head it has walked past.
struct ndb_index_entry {
  uint64_t key_hash = 0;
  uint32_t block = 0;
  uint32_t key_len = 0;
  unsigned char type = 0;
};

struct NDB {
  uint32_t magic = 0;
  std::string name; // the file's name ("<db>.NDB")
  int fd = -1;
  unsigned char *map = nullptr;
  std::string fetch_buf;
  // Per bucket, the heads of its chain in chain order as last walked (filled
  // on a bucket's first walk). A lookup checks the candidate head in the
  // file itself before trusting it, and walks the chain when it finds none,
  // so changes by other handles are always seen; the index only spares the
  // walk (one cache miss per head, the bulk of a lookup's cost).
  std::vector<std::vector<ndb_index_entry>> index;
  std::vector<unsigned char> indexed;
};

struct ndb_iter {
  NDB *db = nullptr;
  int type = -1;
  uint32_t bucket = 0;
  uint32_t next_block = 0; // next record head to visit in the bucket (0: next bucket)
  uint32_t steps = 0;
  std::string key_buf, data_buf;
};

// ".NDB" is appended to `name`. Null on failure (reported).
NDB *ndb_open(const std::string &name);
int ndb_close(NDB *db);
// Null datum (dptr == nullptr) when absent; the data is followed by a zero
// byte and stays valid until the next fetch on this handle.
ndb_datum ndb_fetch(NDB *db, int type, const std::string &key);
int ndb_store(NDB *db, int type, const std::string &key, const std::string &data);
int ndb_delete(NDB *db, int type, const std::string &key);
ndb_iter *ndb_iter_create(NDB *db, int type);
void ndb_iter_free(ndb_iter *it);
// The next key, or null at the end; `data` (when not null) receives the data.
const char *ndb_iter_next(ndb_iter *it, ndb_datum *data);
int ndb_updated(NDB *db);

// The bucket of a key.
uint32_t ndb_hash(const std::string &key);

// Walks the whole file and returns one line per inconsistency (empty when the
// file is sound).
std::string ndb_check(NDB *db);
