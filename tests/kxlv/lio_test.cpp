// File access: numbering, the block table, seeking by number and by time.
#include "kxlv/lio.h"
#include "lvfixture.h"

#include <gtest/gtest.h>

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
