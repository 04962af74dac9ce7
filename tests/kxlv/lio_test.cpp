// File access: numbering, the block table, seeking by number and by time.
#include "kxlv/lio.h"
#include "lvfixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <tuple>
#include <unistd.h>

using namespace kxlvtest;

namespace {

class LioTest : public ::testing::Test {
protected:
  void SetUp() override {
    utc();
    path = dir.file("kx.log");
    LogBuilder b(path);
    b.conns(0, 99); // entries 1..99 (entry 0 is the filter announcement)
  }
  kxtest::TempDir dir;
  std::string path;
};

TEST_F(LioTest, EntriesAreNumberedAndEveryBlockStartIsKept) {
  kxlv_lio lio;
  ASSERT_TRUE(lio.open(path));
  long n = 0;
  while (const kxlv_entry *e = lio.nextent()) {
    EXPECT_EQ(e->num, n);
    if (n > 0) {
      EXPECT_EQ(e->words[4], uint32_t(n - 1));
    }
    ++n;
  }
  EXPECT_EQ(n, 100);
  ASSERT_EQ(lio.blocks().size(), 7u);
  for (size_t b = 0; b < lio.blocks().size(); ++b) EXPECT_EQ(lio.blocks()[b].first, long(16 * b));
  EXPECT_EQ(lio.getnum(lio.blocks()[2].offset), 32);
  EXPECT_EQ(lio.getnum(lio.blocks()[2].offset + 4), -1);
}

TEST_F(LioTest, SeekReadsBlocksOnFirstUseThenJumps) {
  kxlv_lio lio;
  ASSERT_TRUE(lio.open(path));
  ASSERT_GE(lio.seek(37), 0);
  EXPECT_EQ(lio.blocks().size(), 3u); // blocks 0 to 2
  const kxlv_entry *e = lio.nextent();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->num, 37);
  EXPECT_EQ(e->words[4], 36u);
  // Backwards and forwards again; the formats still apply after the jump.
  for (long n : {5L, 99L, 0L, 64L, 63L}) {
    ASSERT_GE(lio.seek(n), 0) << n;
    e = lio.nextent();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->num, n);
    EXPECT_EQ(e->format != nullptr, n > 0) << n;
  }
  EXPECT_GE(lio.seek(100), 0); // the end: before the entry that comes next
  EXPECT_EQ(lio.nextent(), nullptr);
  EXPECT_EQ(lio.seek(101), -1);
  EXPECT_EQ(lio.seek(500), -1);
  EXPECT_EQ(lio.timeof(11), int64_t(kBase + 100));
  EXPECT_EQ(lio.timeof(100), -1);
}

TEST_F(LioTest, TimeSeekLandsOnTheFirstEntryLaterThanTheTime) {
  kxlv_lio lio;
  ASSERT_TRUE(lio.open(path));
  struct Case {
    uint32_t t;
    long expect; // entry read next
  } cases[] = {
      {kBase - 100, 0},      // before the first record
      {kBase + 95, 11},      // between entries 10 (kBase+90) and 11
      {kBase + 100, 12},     // exactly at entry 11: passed over
      {kBase + 985, 100},    // after the last record: the end
      {kBase + 5, 2},
  };
  for (const Case &c : cases) {
    lio.tseek(c.t);
    EXPECT_EQ(lio.get_current_num(), c.expect) << c.t;
    const kxlv_entry *e = lio.nextent();
    if (c.expect == 100) {
      EXPECT_EQ(e, nullptr);
    } else {
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->num, c.expect);
    }
  }
}

TEST_F(LioTest, ControlRecordsWithoutEntriesChangeNoNumbers) {
  {
    LogBuilder more(dir.file("b.log"));
    more.conns(0, 99);
    more.reset();
  }
  kxlv_lio a, b;
  ASSERT_TRUE(a.open(path));
  ASSERT_TRUE(b.open(dir.file("b.log")));
  EXPECT_EQ(a.count_all(), 100);
  EXPECT_EQ(b.count_all(), 100);
  kxlv_lio missing;
  EXPECT_FALSE(missing.open(dir.file("none.log")));
  EXPECT_EQ(missing.nextent(), nullptr);
  EXPECT_EQ(missing.seek(0), -1);
}

// Counting and seeking step over entries without making them; a damaged
// log with every kind of record must give the same numbers, blocks and
// entries as reading every entry does.
TEST_F(LioTest, SteppingOverEntriesAgreesWithReadingThem) {
  const std::string damaged = dir.file("damaged.log");
  {
    LogBuilder b(damaged);
    b.conns(0, 40);
    kxlogrec ifs = kxlogtest::header(kOrigin, 0, kBase);
    ifs.type = LOG_TYPE_IFNAME;
    b.w.add(ifs, kxif_list2x({{"eth0", 0}, {"eth1", 1}}));
    b.w.add(kxlogtest::header(kOrigin, LOG_FMT_SYSTEM, kBase + 400), logsys_data(LOGSYS_STOP, "kx.log"));
    b.w.add(kxlogtest::header(kOrigin, LOG_FMT_DOMAIN, kBase + 400), kxlogtest::words({1, 2}));
    kxlogrec other_type = kxlogtest::header(kOrigin, 1, kBase + 400);
    other_type.type = 7;
    b.w.add(other_type, conn_words(1, 1));
    b.reset();
    b.conns(40, 30);
    b.w.add(kxlogtest::header(0xC0000209, 1, kBase + 700), conn_words(1, 1)); // no formats for this origin
    b.w.add(conn_header(kBase + 701, 2), kxlogtest::words({LOG_SYNC_WORD, 8, 1, 2, 3, 4})); // a sync word inside
    b.w.close();
    const int fd = ::open(damaged.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    const uint8_t junk[] = {0xde, 0xad, 0xbe, 0xef, 0, 0, 0, 9};
    ASSERT_EQ(::write(fd, junk, sizeof junk), ssize_t(sizeof junk));
    ::close(fd);
    LogWriter more;
    ASSERT_TRUE(more.open(damaged));
    ASSERT_TRUE(more.add_sync(kBase + 702)); // where readers find their place again
    for (uint32_t i = 70; i < 99; ++i) more.add(conn_header(kBase + 10 * i, 2), conn_words(0x0A000001, i));
  }
  kxlv_lio read, stepped;
  ASSERT_TRUE(read.open(damaged));
  ASSERT_TRUE(stepped.open(damaged));
  long n = 0;
  while (read.nextent()) ++n;
  EXPECT_GT(n, 100);
  EXPECT_EQ(stepped.count_all(), n);
  ASSERT_EQ(stepped.blocks().size(), read.blocks().size());
  for (size_t b = 0; b < read.blocks().size(); ++b) {
    const kxlv_block &x = read.blocks()[b], &y = stepped.blocks()[b];
    EXPECT_EQ(std::tie(x.offset, x.first, x.recnum, x.time), std::tie(y.offset, y.first, y.recnum, y.time)) << b;
  }
  kxlv_lio fresh;
  ASSERT_TRUE(fresh.open(damaged));
  for (long k : {n - 1, 3L, 57L, 41L, 44L, n - 20, 0L}) {
    ASSERT_GE(read.seek(k), 0);
    ASSERT_GE(fresh.seek(k), 0);
    const kxlv_entry a = *read.nextent();
    const kxlv_entry *c = fresh.nextent();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->num, k);
    EXPECT_EQ(c->offset, a.offset) << k;
    EXPECT_EQ(c->kind, a.kind) << k;
    EXPECT_EQ(c->words, a.words) << k;
    EXPECT_EQ(c->message, a.message) << k;
    EXPECT_EQ(fresh.hosts().ifname(kOrigin, 1), read.hosts().ifname(kOrigin, 1));
  }
  EXPECT_EQ(stepped.tseek(kBase + 405), read.tseek(kBase + 405));
  EXPECT_EQ(stepped.get_current_num(), read.get_current_num());
}

TEST_F(LioTest, FollowsGrowthAndSeesTruncationAndReplacement) {
  kxlv_lio lio;
  ASSERT_TRUE(lio.open(path));
  EXPECT_EQ(lio.count_all(), 100);
  EXPECT_EQ(lio.check(), kxlv_lio::kUnchanged);
  {
    LogWriter w;
    ASSERT_TRUE(w.open(path));
    w.add(conn_header(kBase + 5000, 2), conn_words(1, 500));
  }
  EXPECT_EQ(lio.check(), kxlv_lio::kGrown);
  const kxlv_entry *e = lio.nextent();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->num, 100);
  EXPECT_EQ(e->words[4], 500u);
  EXPECT_EQ(lio.check(), kxlv_lio::kUnchanged);
  ASSERT_EQ(truncate(path.c_str(), 100), 0);
  EXPECT_EQ(lio.check(), kxlv_lio::kShrunk);
  ASSERT_EQ(rename(path.c_str(), dir.file("old.log").c_str()), 0);
  LogBuilder again(path);
  EXPECT_EQ(lio.check(), kxlv_lio::kReplaced);
}

} // namespace
