#include "kxu/hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t same_bucket(const void *, uintptr_t) { return 7; }

std::vector<std::string> values_in_order(const hash_table *t) {
  std::vector<std::string> out;
  auto it = hash_iterator_create(t);
  while (void *v = hash_iterator_next(it.get()))
    out.emplace_back(static_cast<const char *>(v));
  return out;
}

TEST(Roundtwo, SmallestPowerOfTwoWithLimits) {
  struct Case {
    uint32_t n, want;
  } cases[] = {{0, 2},          {1, 2},         {2, 2},          {3, 4},
               {1000, 1024},    {1024, 1024},   {1025, 2048},    {10000, 16384},
               {1u << 30, 1u << 30}, {(1u << 30) + 1, 1u << 31}, {0xffffffffu, 1u << 31}};
  for (const Case &c : cases)
    EXPECT_EQ(roundtwo(c.n), c.want) << c.n;
}

TEST(HashTable, BucketCountFromSize) {
  EXPECT_EQ(hash_create(0, hash_strvalue, hash_strcmp)->buckets.size(), 1024u);
  EXPECT_EQ(hash_create(1000, hash_strvalue, hash_strcmp)->mask, 1023u);
}

TEST(HashTable, ChainsKeepInsertionOrder) {
  HashTable t = hash_create(4, same_bucket, hash_strcmp);
  char a[] = "a", b[] = "b", c[] = "c", d[] = "d";
  for (char *v : {a, b, c, d})
    hash_insert(t.get(), v, v);
  EXPECT_EQ(values_in_order(t.get()), (std::vector<std::string>{"a", "b", "c", "d"}));

  EXPECT_EQ(hash_delete(t.get(), "b"), b);
  EXPECT_EQ(hash_delete(t.get(), "b"), nullptr);
  EXPECT_EQ(hash_nelements(t.get()), 3u);
  EXPECT_EQ(values_in_order(t.get()), (std::vector<std::string>{"a", "c", "d"}));

  // An entry added after a deletion goes to the end of the chain.
  hash_insert(t.get(), b, b);
  EXPECT_EQ(values_in_order(t.get()), (std::vector<std::string>{"a", "c", "d", "b"}));
}

TEST(HashTable, InsertReplacesValueOfEqualKey) {
  HashTable t = hash_create(16, hash_strvalue, hash_strcmp);
  std::string key1 = "host", key2 = "host";
  int v1 = 1, v2 = 2;
  EXPECT_EQ(hash_insert(t.get(), key1.c_str(), &v1), 1u);
  EXPECT_EQ(hash_insert(t.get(), "other", &v1), 2u);
  EXPECT_EQ(hash_insert(t.get(), key2.c_str(), &v2), 1u); // replaced
  EXPECT_EQ(hash_nelements(t.get()), 2u);
  EXPECT_EQ(hash_lookup(t.get(), "host"), &v2);
  EXPECT_EQ(hash_lookkey(t.get(), "host"), key1.c_str()); // the first key stays
  EXPECT_EQ(hash_lookup(t.get(), "none"), nullptr);
  EXPECT_EQ(hash_findaddr(t.get(), "none"), nullptr);

  void **addr = hash_findaddr(t.get(), "host");
  ASSERT_NE(addr, nullptr);
  *addr = &v1;
  EXPECT_EQ(hash_lookup(t.get(), "host"), &v1);
}

TEST(HashTable, FindHashentGivesEmptyLinkForInsertAt) {
  HashTable t = hash_create(8, hash_intvalue, hash_intcmp);
  int v = 5;
  hashslot *slot = hash_find_hashent(t.get(), hash_intkey(42));
  ASSERT_FALSE(*slot);
  EXPECT_EQ(hash_insert_at(t.get(), hash_intkey(42), &v, slot), 1u);
  EXPECT_EQ(hash_lookup(t.get(), hash_intkey(42)), &v);
  EXPECT_EQ(hash_lookup(t.get(), hash_intkey(42 + 8)), nullptr); // same bucket, other key
}

TEST(HashTable, ByteKeysCompareByContent) {
  HashTable t = hash_create(8, hash_bytevalue, hash_bytecmp, 4);
  unsigned char k1[4] = {10, 0, 0, 1}, k2[4] = {10, 0, 0, 1}, k3[4] = {10, 0, 0, 2};
  int v = 1;
  hash_insert(t.get(), k1, &v);
  EXPECT_EQ(hash_lookup(t.get(), k2), &v);
  EXPECT_EQ(hash_lookup(t.get(), k3), nullptr);
}

TEST(HashTable, StringHashUsesSignedBytes) {
  EXPECT_EQ(hash_strvalue(""), 0u);
  EXPECT_EQ(hash_strvalue("a"), 97u);
  EXPECT_EQ(hash_strvalue("ab"), ((97u >> 3) ^ (97u << 5)) + 98u);
  EXPECT_EQ(hash_strvalue("\xff"), 0xffffffffu);
}

TEST(HashTable, DestructFreesValuesAndLongChainsDoNotOverflowTheStack) {
  HashTable t = hash_create(2, same_bucket, hash_intcmp);
  for (intptr_t i = 0; i < 300000; i++) // at the head: a long chain cheaply
    hash_insert_at(t.get(), hash_intkey(i), nullptr, &t->buckets[7 & t->mask]);
  EXPECT_EQ(hash_nelements(t.get()), 300000u);
  hash_destroy(t);
  EXPECT_FALSE(t);

  static int freed = 0;
  HashTable u = hash_create(8, hash_intvalue, hash_intcmp);
  int a = 0, b = 0;
  hash_insert(u.get(), hash_intkey(1), &a);
  hash_insert(u.get(), hash_intkey(2), nullptr);
  hash_insert(u.get(), hash_intkey(3), &b);
  hash_destruct(u, [](void *) { freed++; });
  EXPECT_EQ(freed, 2);
}

} // namespace
