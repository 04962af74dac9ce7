#include "kxu/hash.h"

#include <cstdlib>
#include <cstring>

hash_table::~hash_table() {
  // Unlink entries one by one so long chains do not recurse.
  for (hashslot &head : buckets)
    while (head)
      head = std::move(head->next);
}

uint32_t roundtwo(uint32_t n) {
  if (n < 3)
    return 2;
  if (n > (1u << 30))
    return 1u << 31;
  uint32_t p = 2;
  while (p < n)
    p <<= 1;
  return p;
}

HashTable hash_create(size_t size, hash_func hash, hash_cmp compare, uintptr_t arg) {
  auto t = std::make_unique<hash_table>();
  uint32_t n = size == 0 ? 1024 : roundtwo(size > 0xffffffffu ? 0xffffffffu : static_cast<uint32_t>(size));
  t->mask = n - 1;
  t->hash = hash;
  t->compare = compare;
  t->arg = arg;
  t->buckets.resize(n);
  return t;
}

hashslot *hash_find_hashent(hash_table *t, const void *key) {
  hashslot *slot = &t->buckets[t->hash(key, t->arg) & t->mask];
  while (*slot && t->compare((*slot)->key, key, t->arg) != 0)
    slot = &(*slot)->next;
  return slot;
}

size_t hash_insert_at(hash_table *t, const void *key, void *value, hashslot *slot) {
  auto e = std::make_unique<hashent>();
  e->key = key;
  e->value = value;
  e->next = std::move(*slot); // keeps the chain intact if the slot was not empty
  *slot = std::move(e);
  return ++t->count;
}

size_t hash_insert(hash_table *t, const void *key, void *value) {
  hashslot *slot = hash_find_hashent(t, key);
  if (*slot) {
    (*slot)->value = value;
    return 1;
  }
  return hash_insert_at(t, key, value, slot);
}

void *hash_lookup(hash_table *t, const void *key) {
  hashslot *slot = hash_find_hashent(t, key);
  return *slot ? (*slot)->value : nullptr;
}

const void *hash_lookkey(hash_table *t, const void *key) {
  hashslot *slot = hash_find_hashent(t, key);
  return *slot ? (*slot)->key : nullptr;
}

void **hash_findaddr(hash_table *t, const void *key) {
  hashslot *slot = hash_find_hashent(t, key);
  return *slot ? &(*slot)->value : nullptr;
}

void *hash_delete(hash_table *t, const void *key) {
  hashslot *slot = hash_find_hashent(t, key);
  if (!*slot)
    return nullptr;
  void *value = (*slot)->value;
  *slot = std::move((*slot)->next);
  t->count--;
  return value;
}

size_t hash_nelements(const hash_table *t) { return t ? t->count : 0; }

void hash_destroy(HashTable &t) { t.reset(); }

void hash_destruct(HashTable &t, void (*free_value)(void *)) {
  if (!t)
    return;
  if (!free_value)
    free_value = std::free;
  for (hashslot &head : t->buckets)
    for (hashent *e = head.get(); e; e = e->next.get())
      if (e->value)
        free_value(e->value);
  t.reset();
}

std::unique_ptr<hash_iterator> hash_iterator_create(const hash_table *t) {
  auto it = std::make_unique<hash_iterator>();
  it->table = t;
  it->bucket = 0;
  it->next = nullptr;
  return it;
}

void *hash_iterator_next(hash_iterator *it) {
  while (!it->next) {
    if (!it->table || it->bucket >= it->table->buckets.size())
      return nullptr;
    it->next = it->table->buckets[it->bucket++].get();
  }
  const hashent *e = it->next;
  it->next = e->next.get();
  return e->value;
}

uint32_t hash_strvalue(const char *s) {
  uint32_t h = 0;
  for (; *s; s++)
    h = ((h >> 3) ^ (h << 5)) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*s)));
  return h;
}

uint32_t hash_strvalue(const void *key, uintptr_t) { return hash_strvalue(static_cast<const char *>(key)); }

int hash_strcmp(const void *stored, const void *key, uintptr_t) {
  return std::strcmp(static_cast<const char *>(stored), static_cast<const char *>(key));
}

uint32_t hash_intvalue(const void *key, uintptr_t) { return static_cast<uint32_t>(hash_keyint(key)); }

int hash_intcmp(const void *stored, const void *key, uintptr_t) {
  intptr_t a = hash_keyint(stored), b = hash_keyint(key);
  return a < b ? -1 : (a > b ? 1 : 0);
}

uint32_t hash_bytevalue(const void *key, uintptr_t len) {
  const auto *p = static_cast<const unsigned char *>(key);
  uint32_t h = 0;
  for (uintptr_t i = 0; i < len; i++)
    h = ((h >> 3) ^ (h << 5)) + p[i];
  return h;
}

int hash_bytecmp(const void *stored, const void *key, uintptr_t len) {
  return std::memcmp(stored, key, len);
}
