#include "kxui/users/ndb.h"
#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

using Notices = kxtest::CollectReports;

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

uint32_t be24(const std::string &s, size_t off) {
  return uint32_t((unsigned char)s[off]) << 16 | uint32_t((unsigned char)s[off + 1]) << 8 |
         (unsigned char)s[off + 2];
}

class Ndb : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  Notices notices;
  kxu::ScopedFrontEnd scope{&notices};
  std::string name = dir.file("db");
  std::string file = name + ".NDB";
  uint32_t header(size_t off) { return be24(slurp(file), 12288 + off); }
};

TEST_F(Ndb, NewFileHasTheSpecifiedHeaderAndSize) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  ASSERT_EQ(ndb_close(db), 0);
  std::string bytes = slurp(file);
  EXPECT_EQ(bytes.size(), 20481u);
  EXPECT_EQ(be24(bytes, 12288 + 0), 0u);       // free list
  EXPECT_EQ(be24(bytes, 12288 + 3), 1u);       // next unused
  EXPECT_EQ(be24(bytes, 12288 + 9), 32u);      // capacity
  EXPECT_EQ(be24(bytes, 12288 + 15), 0xCDEF12u);
  EXPECT_EQ(ndb_hash(""), 0u);
}

TEST_F(Ndb, RecordLayoutAndBlockBoundaries) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  // key + data of exactly 243 bytes fill the head block.
  std::string key = "alice", data(238, 'x');
  ASSERT_EQ(ndb_store(db, 4, key, data), 1);
  EXPECT_EQ(ndb_check(db), "");
  ndb_close(db);
  std::string bytes = slurp(file);
  uint32_t head = be24(bytes, 3 * ndb_hash(key));
  EXPECT_EQ(head, 1u);
  size_t b = 12288 + 256 * head;
  EXPECT_EQ(be24(bytes, b), 0x800000u); // head flag, no next block
  EXPECT_EQ(be24(bytes, b + 6), 5u);
  EXPECT_EQ(be24(bytes, b + 9), 238u);
  EXPECT_EQ(bytes[b + 12], 4);
  EXPECT_EQ(bytes.substr(b + 13, 5), "alice");
  EXPECT_EQ(header(3), 2u);

  // One more byte takes a second block.
  db = ndb_open(name);
  ASSERT_EQ(ndb_store(db, 4, key, data + "y"), 1);
  ndb_close(db);
  bytes = slurp(file);
  EXPECT_EQ(be24(bytes, b), 0x800002u);
  EXPECT_EQ(bytes[12288 + 512 + 3], 'y');
  EXPECT_EQ(header(3), 3u);
}

TEST_F(Ndb, StoreFetchDeleteAndTypesAreSeparate) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  std::string big(2000, 'b');
  ASSERT_EQ(ndb_store(db, 4, "sales", "user record"), 1);
  ASSERT_EQ(ndb_store(db, 5, "sales", big), 1);
  ndb_datum d = ndb_fetch(db, 4, "sales");
  ASSERT_NE(d.dptr, nullptr);
  EXPECT_EQ(std::string(d.dptr, d.dsize), "user record");
  EXPECT_EQ(d.dptr[d.dsize], '\0');
  d = ndb_fetch(db, 5, "sales");
  EXPECT_EQ(std::string(d.dptr, d.dsize), big);
  EXPECT_EQ(ndb_fetch(db, 1, "sales").dptr, nullptr);
  EXPECT_EQ(ndb_fetch(db, 4, "sale").dptr, nullptr);

  // Shrinking frees blocks, the next store reuses them before growing.
  uint32_t next_before = 0;
  ASSERT_EQ(ndb_store(db, 5, "sales", "short"), 1);
  EXPECT_EQ(ndb_check(db), "");
  ndb_close(db);
  next_before = header(3);
  EXPECT_NE(header(0), 0u);
  db = ndb_open(name);
  ASSERT_EQ(ndb_store(db, 1, "other", std::string(1500, 'o')), 1); // fits in the freed blocks
  EXPECT_EQ(ndb_check(db), "");
  ndb_close(db);
  EXPECT_EQ(header(3), next_before);

  db = ndb_open(name);
  EXPECT_EQ(ndb_delete(db, 4, "sales"), 1);
  EXPECT_EQ(ndb_delete(db, 4, "sales"), 0);
  EXPECT_NE(ndb_fetch(db, 5, "sales").dptr, nullptr);
  EXPECT_EQ(ndb_check(db), "");
  ndb_close(db);
}

// A handle remembers the chains it walked; what another handle changes in
// the file meanwhile must still be what it reads, deletes and overwrites.
TEST_F(Ndb, AHandleSeesChangesMadeThroughAnother) {
  // Keys that share one bucket, so every change touches the chain the first
  // handle has indexed.
  std::vector<std::string> keys;
  for (int i = 0; keys.size() < 4; ++i)
    if (std::string k = "k" + std::to_string(i); ndb_hash(k) == ndb_hash("k0"))
      keys.push_back(k);
  NDB *a = ndb_open(name);
  ASSERT_NE(a, nullptr);
  for (auto &k : keys)
    ASSERT_EQ(ndb_store(a, 4, k, "a:" + k), 1);
  for (auto &k : keys)
    ASSERT_NE(ndb_fetch(a, 4, k).dptr, nullptr);

  NDB *b = ndb_open(name);
  ASSERT_NE(b, nullptr);
  // keys[1] leaves and comes back as the last head of the chain, its old
  // head block reused for the continuation of keys[0]'s longer record.
  ASSERT_EQ(ndb_delete(b, 4, keys[1]), 1);
  ASSERT_EQ(ndb_store(b, 4, keys[0], std::string(600, '0')), 1);
  ASSERT_EQ(ndb_store(b, 4, keys[1], "b:moved"), 1);
  ASSERT_EQ(ndb_delete(b, 4, keys[2]), 1);
  ASSERT_EQ(ndb_store(b, 4, "k-new", "b:new"), 1);
  ASSERT_EQ(ndb_store(b, 5, keys[3], "b:group"), 1);

  auto text = [&](int type, const std::string &k) {
    ndb_datum d = ndb_fetch(a, type, k);
    return d.dptr ? std::string(d.dptr, d.dsize) : std::string("(none)");
  };
  EXPECT_EQ(text(4, keys[0]), std::string(600, '0'));
  EXPECT_EQ(text(4, keys[1]), "b:moved");
  EXPECT_EQ(text(4, keys[2]), "(none)");
  EXPECT_EQ(text(4, keys[3]), "a:" + keys[3]);
  EXPECT_EQ(text(5, keys[3]), "b:group");
  EXPECT_EQ(text(4, "k-new"), "b:new");
  // Deleting and storing through the first handle keep the chains whole.
  EXPECT_EQ(ndb_delete(a, 4, keys[1]), 1);
  EXPECT_EQ(ndb_delete(a, 4, keys[2]), 0);
  EXPECT_EQ(ndb_store(a, 4, keys[3], "a:again"), 1);
  EXPECT_EQ(ndb_check(a), "");
  EXPECT_EQ(ndb_delete(b, 4, keys[3]), 1);
  EXPECT_EQ(ndb_delete(a, 4, keys[0]), 1);
  EXPECT_EQ(text(4, keys[3]), "(none)");
  EXPECT_EQ(ndb_check(b), "");
  ndb_close(b);
  ndb_close(a);
}

TEST_F(Ndb, GrowsAndIteratesInBucketOrder) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  for (int i = 0; i < 500; ++i)
    ASSERT_EQ(ndb_store(db, i % 2 ? 4 : 5, "k" + std::to_string(i), std::string(300, 'v')), 1);
  EXPECT_EQ(ndb_check(db), "");
  ndb_iter *it = ndb_iter_create(db, 4);
  int count = 0;
  uint32_t last_bucket = 0;
  ndb_datum d;
  while (const char *key = ndb_iter_next(it, &d)) {
    ++count;
    EXPECT_GE(ndb_hash(key), last_bucket);
    last_bucket = ndb_hash(key);
    EXPECT_EQ(d.dsize, 300u);
  }
  ndb_iter_free(it);
  EXPECT_EQ(count, 250);
  ndb_close(db);
  EXPECT_GE(header(9), 1000u);
  EXPECT_EQ(header(9) % 32, 0u);
}

TEST_F(Ndb, FifthUpdateWritesAWholeBackupThroughATemporary) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  std::string bkp = file + "BKP";
  std::string first = slurp(bkp); // written at first opening
  EXPECT_EQ(first.size(), 12288u + 256 * 32);
  ndb_store(db, 4, "u", "one");
  for (int i = 0; i < 4; ++i)
    ndb_updated(db);
  EXPECT_EQ(slurp(bkp), first);
  ndb_updated(db);
  std::string now = slurp(bkp);
  EXPECT_NE(now, first);
  EXPECT_NE(now.find("uone"), std::string::npos);
  ndb_close(db);
  EXPECT_EQ(header(12), 0u);
}

TEST_F(Ndb, DamagedFilesAreRefusedAndLeftInPlace) {
  // Short file: kept, refused.
  { std::ofstream(file) << "precious"; }
  EXPECT_EQ(ndb_open(name), nullptr);
  EXPECT_NE(notices.notices.back().find("shorter than 1024 bytes"), std::string::npos);
  EXPECT_EQ(slurp(file), "precious");

  // Bad magic and a capacity past the file: refused, bytes unchanged.
  NDB *db = ndb_open(dir.file("good"));
  ASSERT_NE(db, nullptr);
  ndb_store(db, 4, "x", "y");
  ndb_close(db);
  std::string good = slurp(dir.file("good.NDB"));
  for (size_t off : {12288u + 15, 12288u + 9, 12288u + 3}) {
    std::string bad = good;
    bad[off] = '\x7f';
    { std::ofstream(file, std::ios::binary | std::ios::trunc) << bad; }
    EXPECT_EQ(ndb_open(name), nullptr) << off;
    EXPECT_NE(notices.notices.back().find("ndb_open: database corrupted"), std::string::npos);
    EXPECT_EQ(slurp(file), bad);
  }
  EXPECT_EQ(ndb_fetch(nullptr, 4, "x").dptr, nullptr);
  EXPECT_EQ(notices.notices.back(), "ndb: database not opened");
}

TEST_F(Ndb, CheckReportsBrokenChains) {
  NDB *db = ndb_open(name);
  ASSERT_NE(db, nullptr);
  ndb_store(db, 4, "a", std::string(600, 'a'));
  ndb_store(db, 4, "b", "b");
  ndb_store(db, 4, "a", "a"); // frees two blocks
  ndb_close(db);
  std::string good = slurp(file);
  struct Case {
    const char *what;
    std::function<void(std::string &)> damage;
  } cases[] = {
      {"loops", [](std::string &s) { // free list head's link points at itself
         uint32_t f = be24(s, 12288);
         s[12288 + 256 * f + 2] = char(f);
       }},
      {"on no chain", [](std::string &s) { s[3 * ndb_hash("b") + 2] = 0; }},
      {"belongs in bucket", [](std::string &s) {
         uint32_t h = be24(s, 3 * ndb_hash("b"));
         s[3 * ndb_hash("b") + 2] = 0;
         s[3 * 7 + 2] = char(h);
       }},
  };
  for (auto &c : cases) {
    std::string bad = good;
    c.damage(bad);
    { std::ofstream(file, std::ios::binary | std::ios::trunc) << bad; }
    db = ndb_open(name);
    ASSERT_NE(db, nullptr);
    EXPECT_NE(ndb_check(db).find(c.what), std::string::npos) << c.what << ": " << ndb_check(db);
    // Operations on the damaged file end.
    ndb_fetch(db, 4, "zz");
    ndb_store(db, 4, "c", std::string(700, 'c'));
    ndb_close(db);
  }
}

} // namespace
