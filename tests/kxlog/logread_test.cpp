// Appending and reading back, with the ways a file can be damaged.
#include "kxlog/logread.h"
#include "kxlog/logwrite.h"
#include "logfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace kxlogtest;

namespace {

void append_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  ::close(fd);
}

std::vector<uint8_t> raw_header(const kxlogrec &h) {
  std::vector<uint8_t> out(16);
  kxlogrec2x(h, out.data());
  return out;
}

// The rule numbers (word 4) of the records read, in order.
std::vector<uint32_t> rules_read(const std::string &path) {
  LogReader r;
  EXPECT_TRUE(r.open(path));
  kxlogrec h;
  std::vector<uint8_t> data;
  std::vector<uint32_t> rules;
  while (r.get(h, data) >= 0)
    if (h.format == 1 && data.size() >= 20) rules.push_back(be32(&data[16]));
  return rules;
}

std::vector<uint8_t> rule(uint32_t n) { return words({1, 2, 3, 4, n, 0}); }

} // namespace

TEST(LogRead, WriterAndReaderAgree) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  LogWriter w;
  ASSERT_TRUE(w.open(path));
  ASSERT_TRUE(w.add_sync(1));
  EXPECT_EQ(w.add(header(1, 1), rule(1)), 16 + 24);
  EXPECT_EQ(w.add(header(1, 1), std::vector<uint8_t>(LOG_MAX_EXPORT + 4)), -1);
  EXPECT_EQ(w.add(header(1, 1), rule(2)), 16 + 24);
  EXPECT_EQ(rules_read(path), (std::vector<uint32_t>{1, 2}));
}

TEST(LogRead, AppendAtOddPositionRoundsUp) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  append_bytes(path, {1, 2, 3, 4, 5}); // a torn write
  LogWriter w;
  ASSERT_TRUE(w.open(path));
  w.add_sync(1);
  w.add(header(1, 1), rule(9));
  EXPECT_EQ(rules_read(path), (std::vector<uint32_t>{9}));
}

// Each case writes good records around some damage; the reader must find
// its place again at the next sync record and read what follows whole.
TEST(LogRead, ResynchronisesAfterDamage) {
  struct Case {
    const char *what;
    std::vector<uint8_t> damage;
  };
  std::vector<uint8_t> sync_in_data = raw_header(header(1, 1));
  sync_in_data[3] = 16;
  for (uint32_t w : {7u, LOG_SYNC_WORD, 0u, 8u}) {
    const std::vector<uint8_t> b = words({w});
    sync_in_data.insert(sync_in_data.end(), b.begin(), b.end());
  }
  std::vector<uint8_t> stray_sync = words({LOG_SYNC_WORD, 0xFFFFFFF0});
  const Case cases[] = {
      {"garbage between records", {9, 9, 9, 9, 9, 9, 9, 9, 0, 0x40, 0, 0}},
      {"a sync word inside a record's data", sync_in_data},
      {"a sync word with an impossible count", stray_sync},
      {"a header claiming 65535 bytes", {0, 1, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    kxtest::TempDir dir;
    const std::string path = dir.file("kx.log");
    {
      LogWriter w;
      ASSERT_TRUE(w.open(path));
      w.add_sync(1);
      w.add(header(1, 1), rule(1));
    }
    append_bytes(path, c.damage);
    LogWriter w;
    ASSERT_TRUE(w.open(path));
    w.add_sync(2);
    w.add(header(1, 1), rule(2));
    w.add(header(1, 1), rule(3));
    const std::vector<uint32_t> got = rules_read(path);
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got.front(), 1u);
    EXPECT_EQ(std::vector<uint32_t>(got.end() - 2, got.end()), (std::vector<uint32_t>{2, 3}));
  }
}

TEST(LogRead, FileBeginningMidRecordIsAlignedBySync) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  std::vector<uint8_t> tail = rule(1); // the end of a record whose start is lost
  tail.erase(tail.begin(), tail.begin() + 6);
  append_bytes(path, tail);
  LogWriter w;
  ASSERT_TRUE(w.open(path));
  w.add_sync(1);
  w.add(header(1, 1), rule(5));
  EXPECT_EQ(rules_read(path).back(), 5u);
}

TEST(LogRead, LengthSixIsReadAsEight) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  kxlogrec h = header(1, 1);
  h.length = 6;
  std::vector<uint8_t> bytes = raw_header(h);
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 0, 0});
  append_bytes(path, bytes);
  LogReader r;
  ASSERT_TRUE(r.open(path));
  std::vector<uint8_t> data;
  EXPECT_EQ(r.get(h, data), 8);
  EXPECT_EQ(r.get(h, data), -1);
}

TEST(LogRead, RecordCutByEndOfFileIsReadWholeLater) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  std::vector<uint8_t> rec = raw_header([] {
    kxlogrec h = header(1, 1);
    h.length = 24;
    return h;
  }());
  const std::vector<uint8_t> body = rule(4);
  append_bytes(path, rec);
  append_bytes(path, {body.begin(), body.begin() + 10});
  LogReader r;
  ASSERT_TRUE(r.open(path));
  kxlogrec h;
  std::vector<uint8_t> data;
  EXPECT_EQ(r.get(h, data), -1);
  EXPECT_EQ(r.offset(), 0);
  append_bytes(path, {body.begin() + 10, body.end()});
  ASSERT_EQ(r.get(h, data), 24);
  EXPECT_EQ(be32(&data[16]), 4u);
}
