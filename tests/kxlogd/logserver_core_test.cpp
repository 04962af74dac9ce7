// The server's decisions per record, without sockets: what reaches the file
// and when a client is asked to describe itself.
#include "logprocs.h"
#include "logserver.h"

#include "kxlog/logread.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace kxtest;
using kxlogd::LogAppender;
using kxlogd::LogServerCore;
using kxlogd::LogServerSession;

namespace {
constexpr uint32_t kOrigin = 0x7f000102; // 127.0.1.2

struct Core : ::testing::Test {
  TempDir dir;
  LogAppender out;
  LogServerCore core{out};
  LogServerSession *s = nullptr;

  void SetUp() override {
    ASSERT_TRUE(out.open(dir.file("kx.log"), 0x7f000101));
    s = &core.begin(7, kOrigin, "127.0.1.2", false, 1000);
  }
  void give(const TestRecord &r, time_t now = 1000) {
    core.record(*s, r.header, r.data.data(), r.data.size(), now);
  }
  std::vector<std::string> lines(const std::string &name = "kx.log") {
    out.flush();
    return log_lines(dir.file(name));
  }
};

bool has(const std::vector<std::string> &lines, const std::string &text) {
  for (const auto &l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}
} // namespace

TEST_F(Core, EveryNewFileIsSelfDescribing) {
  give(iflist_record(kOrigin));
  give(info_record(kOrigin, 1, test_filter_id()));
  give(conn_record(kOrigin, 1, 1));
  EXPECT_FALSE(s->request_due);
  // The log is moved away and the server opens a new file (hang-up).
  ASSERT_TRUE(out.open(dir.file("kx.new"), 0x7f000101));
  give(conn_record(kOrigin, 1, 2));
  give(conn_record(kOrigin, 1, 3));
  const auto lines = this->lines("kx.new");
  ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
  EXPECT_NE(lines[1].find("installed Test"), std::string::npos);
  // The interface names of the old file are known in the new one.
  EXPECT_NE(lines[2].find("127.0.1.2 eth1 > accept src 198.51.100.1 dst 203.0.113.1 service http "
                          "proto tcp s_port 0 rule 2"),
            std::string::npos)
      << lines[2];
  EXPECT_FALSE(s->request_due);
}

TEST_F(Core, UnknownFilterOrInterfacesAskAtMostOncePerRetry) {
  core.ask_retry = 5;
  const struct {
    time_t at;
    bool asks;
  } steps[] = {{1000, true}, {1001, false}, {1004, false}, {1005, true}, {1006, false}};
  for (const auto &step : steps) {
    give(conn_record(kOrigin, 1, uint32_t(step.at)), step.at);
    EXPECT_EQ(s->request_due, step.asks) << "at " << step.at;
    s->request_due = false;
  }
  // Records are kept all the same: they print once the filter is announced.
  give(iflist_record(kOrigin), 1007);
  give(info_record(kOrigin, 1, test_filter_id()), 1007);
  give(conn_record(kOrigin, 1, 99), 1020);
  EXPECT_FALSE(s->request_due);
  const auto lines = this->lines();
  EXPECT_TRUE(has(lines, "s_port 0 rule 1000"));
  EXPECT_TRUE(has(lines, "s_port 0 rule 99"));
  EXPECT_FALSE(has(lines, "Format unavailable"));
}

TEST_F(Core, WhatAClientSendsThatIsNotAppended) {
  give(iflist_record(kOrigin));
  give(info_record(kOrigin, 1, test_filter_id()));
  const size_t before = lines().size();
  TestRecord own_start;
  own_start.header.origin = kOrigin;
  own_start.header.format = LOG_FMT_SYSTEM;
  own_start.data = logsys_data(LOGSYS_SENDING, "server");
  give(own_start); // the server writes its own session records
  TestRecord short_list = iflist_record(kOrigin);
  short_list.data.resize(196);
  give(short_list); // only 244-byte lists are taken
  TestRecord reset;
  reset.header.origin = kOrigin;
  reset.header.format = LOG_FMT_RESET;
  reset.header.fid = 1;
  const kxid_t id = test_filter_id();
  reset.data.assign(id.raw, id.raw + sizeof id.raw);
  give(reset); // the filter already in force
  TestRecord domain = reset;
  domain.header.format = LOG_FMT_DOMAIN;
  give(domain);
  EXPECT_EQ(lines().size(), before);
  const kxid_t other = test_filter_id(2);
  reset.data.assign(other.raw, other.raw + sizeof other.raw);
  give(reset); // a change of filter is kept
  out.flush();
  LogReader r;
  ASSERT_TRUE(r.open(dir.file("kx.log")));
  kxlogrec h;
  std::vector<uint8_t> data;
  int resets = 0;
  while (r.get(h, data) >= 0) resets += h.format == LOG_FMT_RESET && h.type == LOG_TYPE_LOG;
  EXPECT_EQ(resets, 1);
}

TEST_F(Core, SessionsAreMarkedAndBadLengthsBreakTheStream) {
  std::vector<uint8_t> bytes = wire(iflist_record(kOrigin));
  const auto rec = wire(conn_record(kOrigin, 1, 5));
  bytes.insert(bytes.end(), rec.begin(), rec.end());
  // Whole records in any pieces.
  for (size_t i = 0; i < bytes.size(); i += 7) {
    s->parser.feed(bytes.data() + i, std::min<size_t>(7, bytes.size() - i));
    ASSERT_TRUE(core.take(*s, 1000));
  }
  EXPECT_EQ(s->taken, 2u);
  for (uint16_t bad : {uint16_t(8196), uint16_t(6)}) {
    kxlogrec h;
    h.length = bad;
    uint8_t raw[LOG_HEADER_SIZE];
    kxlogrec2x(h, raw);
    LogServerSession &t = core.begin(9, kOrigin, "127.0.1.2", false, 1000);
    t.parser.feed(raw, sizeof raw);
    EXPECT_FALSE(core.take(t, 1000)) << bad;
    core.end(9, 1001);
  }
  core.end(7, 1001);
  const auto lines = this->lines();
  EXPECT_TRUE(has(lines, "started logging 127.0.1.2"));
  EXPECT_TRUE(has(lines, "stopped logging 127.0.1.2"));
}
