// The record layouts as they lie in a file.
#include "kxlog/logrec.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(LogRec, HeaderIsSixteenBigEndianBytes) {
  kxlogrec h;
  h.type = LOG_TYPE_LOG;
  h.length = 0x0104;
  h.origin = 0xC0000201;
  h.time = 0x01020304;
  h.format = 7;
  h.set_action_if(LOG_ACT_ACCEPT, 5);
  h.direction = 1;
  h.fid = 0x33;
  uint8_t raw[16];
  kxlogrec2x(h, raw);
  const uint8_t want[16] = {0, 1, 1, 4, 0xC0, 0, 2, 1, 1, 2, 3, 4, 7, 0x85, 1, 0x33};
  EXPECT_EQ(0, std::memcmp(raw, want, 16));
  const kxlogrec back = x2kxlogrec(raw);
  EXPECT_EQ(back.action(), LOG_ACT_ACCEPT);
  EXPECT_EQ(back.ifindex(), 5);
  EXPECT_EQ(back.origin, h.origin);
  EXPECT_EQ(back.length, h.length);
}

TEST(LogRec, SyncDataCountsDown) {
  const std::vector<uint8_t> d = log_sync_data();
  ASSERT_EQ(d.size(), 64u);
  for (uint32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(be32(&d[8 * i]), LOG_SYNC_WORD);
    EXPECT_EQ(be32(&d[8 * i + 4]), 56 - 8 * i);
  }
}

TEST(LogRec, LogInfoShorterThanItsTextsAnnouncesUninstall) {
  const kxid_t id = kxid_t::make("Standard", 1, 2, 3);
  std::vector<uint8_t> d = kxlogdom2x({id, "%%format: a 1\n", "x"});
  kxlogdom dom;
  ASSERT_EQ(x2kxlogdom(d.data(), d.size(), &dom), 0);
  EXPECT_EQ(dom.id.name(), "Standard");
  EXPECT_EQ(dom.id.key(), uint64_t(2) << 32 | 3);
  EXPECT_EQ(dom.format_text, "%%format: a 1\n");
  EXPECT_EQ(x2kxlogdom(d.data(), 59, &dom), -1);
  put_be32(&d[48], 0xFFFFFFFF); // a length past the record, and past 32 bits with the other
  EXPECT_EQ(x2kxlogdom(d.data(), d.size(), &dom), -1);
}

TEST(LogRec, InterfaceListsOfBothSizes) {
  std::vector<kxif> got;
  EXPECT_TRUE(x2kxif_list(kxif_list2x({{"eth0-with-long", 0}, {"le1", 3}}).data(), 244, &got));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].name, "eth0-with-long");
  EXPECT_EQ(got[1].index, 3u);
  std::vector<uint8_t> shortlist = kxif_list2x({{"eth0-with-long", 1}}, false);
  ASSERT_EQ(shortlist.size(), 196u);
  EXPECT_TRUE(x2kxif_list(shortlist.data(), shortlist.size(), &got));
  EXPECT_EQ(got[0].name, "eth0-wit"); // eight characters
  put_be32(shortlist.data(), 1000);    // a count past the entries
  EXPECT_TRUE(x2kxif_list(shortlist.data(), shortlist.size(), &got));
  EXPECT_EQ(got.size(), 16u);
  EXPECT_FALSE(x2kxif_list(shortlist.data(), 200, &got));
}

TEST(LogRec, Names) {
  EXPECT_EQ(log_typename(3), "sync");
  EXPECT_EQ(log_typename(9), "type-9");
  EXPECT_EQ(log_formatname(253), "log-info");
  EXPECT_EQ(log_formatname(26), "form-1a");
  EXPECT_EQ(logsys_sprintf(3, "gw"), "started sending log to gw");
  EXPECT_EQ(logsys_sprintf(7, "gw"), "");
  uint32_t code;
  std::string text;
  std::vector<uint8_t> d = logsys_data(0, "abc");
  EXPECT_EQ(d.size(), 8u);
  ASSERT_TRUE(x2logsys(d.data(), d.size(), &code, &text));
  EXPECT_EQ(text, "abc");
}

#include "kxlog/logident.h"

// Which filter applies at which record, and records waiting for theirs.
TEST(LogIdent, IdentitiesByRecordAndQueues) {
  log_memory().clear();
  kxlogrec h;
  h.origin = 0x0a000001;
  h.fid = 2;
  const kxid_t a = kxid_t::make("A", 1, 1, 1), b = kxid_t::make("B", 1, 1, 2);
  EXPECT_EQ(log_set_kxid(h, a, 10), 1);
  EXPECT_EQ(log_set_kxid(h, b, 20), 1);
  EXPECT_EQ(log_set_kxid(h, b, 20), 0);
  EXPECT_FALSE(log_get_kxid(h, false, 5));
  EXPECT_EQ(*log_get_kxid(h, false, 15), a.key());
  EXPECT_EQ(*log_get_kxid(h, false, 25), b.key());
  kxlogrec other = h;
  other.origin = 0x0a000002;
  EXPECT_FALSE(log_get_kxid(other, true, 25));
  kxlogrec zero = h;
  zero.origin = 0;
  log_set_kxid(zero, a, 0);
  EXPECT_EQ(*log_get_kxid(other, true, 25), a.key()); // borrowed from origin 0

  // A table that comes before any identity waits for the first one.
  kxlogrec fresh = h;
  fresh.origin = 0x0a000003;
  auto table = std::make_shared<log_format_table>();
  log_set_data(fresh, nullptr, table, 1);
  EXPECT_EQ(log_get_data(fresh, nullptr, 1), table);
  const uint8_t word[4] = {0, 0, 0, 1};
  const kxid_t c = kxid_t::make("C", 1, 1, 3);
  kxlogrec q = fresh;
  q.fid = 9;
  EXPECT_TRUE(log_queue(q, word, 4, 2));
  EXPECT_TRUE(log_queue(q, word, 4, 3));
  std::vector<long> seen;
  log_set_format(q, c, table, 4, [&](const log_queued &r) { seen.push_back(r.recnum); });
  EXPECT_EQ(seen, (std::vector<long>{2, 3}));
  EXPECT_EQ(log_dequeue_all([](const log_queued &) {}), 0);
  log_memory().clear();
}
