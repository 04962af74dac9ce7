// Chained hash tables with pluggable hash and compare functions.
//
// The bucket count is a power of two fixed at creation. Each chain keeps its
// entries in insertion order, so lookups and iteration meet equal keys in the
// order they were added. Keys and values are untyped pointers owned by the
// caller; integer keys are stored in the pointer itself (hash_intkey).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using hash_func = uint32_t (*)(const void *key, uintptr_t arg);
using hash_cmp = int (*)(const void *stored, const void *key, uintptr_t arg);

struct hashent {
  const void *key;
  void *value;
  std::unique_ptr<hashent> next;
};

// A link of a chain: a bucket head or an entry's next pointer.
using hashslot = std::unique_ptr<hashent>;

struct hash_table {
  uint32_t mask = 0; // bucket count - 1
  size_t count = 0;
  hash_func hash = nullptr;
  hash_cmp compare = nullptr;
  uintptr_t arg = 0; // passed to both functions (the key length for byte keys)
  std::vector<hashslot> buckets;

  hash_table() = default;
  hash_table(const hash_table &) = delete;
  hash_table &operator=(const hash_table &) = delete;
  ~hash_table(); // frees chains without recursion
};

using HashTable = std::unique_ptr<hash_table>;

// 2 for n < 3, 2^31 above 2^30, else the smallest power of two >= n.
uint32_t roundtwo(uint32_t n);

// A table of roundtwo(size) buckets (1024 when size is 0).
HashTable hash_create(size_t size, hash_func hash, hash_cmp compare, uintptr_t arg = 0);

// The link that holds the entry equal to `key`, or the empty link at the end
// of its chain.
hashslot *hash_find_hashent(hash_table *t, const void *key);

// Puts a new entry into an empty link found by hash_find_hashent; returns the
// new count.
size_t hash_insert_at(hash_table *t, const void *key, void *value, hashslot *slot);

// Replaces the value of an equal key (result 1) or appends an entry to its
// chain (result: the new count).
size_t hash_insert(hash_table *t, const void *key, void *value);

void *hash_lookup(hash_table *t, const void *key);           // value or null
const void *hash_lookkey(hash_table *t, const void *key);    // stored key or null
void **hash_findaddr(hash_table *t, const void *key);        // &value or null
void *hash_delete(hash_table *t, const void *key);           // removed value or null
size_t hash_nelements(const hash_table *t);

// Frees the table and its entries; hash_destruct also frees every non-null
// value with `free_value`.
void hash_destroy(HashTable &t);
void hash_destruct(HashTable &t, void (*free_value)(void *) = nullptr);

// Values bucket by bucket, each chain in order; null at the end. The table
// must not change while an iterator walks it.
struct hash_iterator {
  const hash_table *table;
  size_t bucket;
  const hashent *next;
};
std::unique_ptr<hash_iterator> hash_iterator_create(const hash_table *t);
void *hash_iterator_next(hash_iterator *it);

// String keys (NUL-terminated).
uint32_t hash_strvalue(const char *s);
uint32_t hash_strvalue(const void *key, uintptr_t arg);
int hash_strcmp(const void *stored, const void *key, uintptr_t arg);

// Integer keys carried in the key pointer.
inline const void *hash_intkey(intptr_t k) { return reinterpret_cast<const void *>(k); }
inline intptr_t hash_keyint(const void *key) { return reinterpret_cast<intptr_t>(key); }
uint32_t hash_intvalue(const void *key, uintptr_t arg);
int hash_intcmp(const void *stored, const void *key, uintptr_t arg);

// Byte strings of the table's argument length.
uint32_t hash_bytevalue(const void *key, uintptr_t len);
int hash_bytecmp(const void *stored, const void *key, uintptr_t len);
