// The collector's send window: what goes out next and what is still held
// stay exact while acknowledged bytes are dropped from the front.
#include "logwindow.h"

#include <gtest/gtest.h>

namespace {

// A record whose header time and data carry `id`, of 4 to 160 data bytes.
std::vector<uint8_t> record(uint32_t id) {
  const size_t n = 4 * size_t(1 + (id * 7) % 40);
  kxlogrec h;
  h.origin = 1;
  h.time = id;
  h.length = uint16_t(n);
  std::vector<uint8_t> r(LOG_HEADER_SIZE + n, uint8_t(id));
  kxlogrec2x(h, r.data());
  return r;
}

std::vector<uint32_t> ids(const uint8_t *p, size_t n) {
  std::vector<uint32_t> out;
  for (size_t at = 0; at + LOG_HEADER_SIZE <= n;) {
    const kxlogrec h = x2kxlogrec(p + at);
    out.push_back(h.time);
    at += LOG_HEADER_SIZE + h.length;
  }
  return out;
}

} // namespace

TEST(SendWindow, SendsAndHoldsExactlyWhatIsUnacknowledged) {
  kxlogd::LogSendWindow w(4096);
  uint32_t next = 0, acked = 0;
  std::vector<uint32_t> in_flight;
  // Rounds of pushing, sending all but a little, and acknowledging some:
  // the buffer is compacted many times over.
  for (int round = 0; round < 200; ++round) {
    for (int i = 0; i < 7 && !w.full(); ++i) {
      const auto r = record(next);
      if (next % 2) {
        kxlogrec h = x2kxlogrec(r.data());
        w.push(h, r.data() + LOG_HEADER_SIZE, r.size() - LOG_HEADER_SIZE);
      } else {
        w.push(r.data(), r.size());
      }
      in_flight.push_back(next++);
    }
    const std::vector<uint32_t> unsent = ids(w.unsent(), w.unsent_size());
    ASSERT_LE(unsent.size(), in_flight.size());
    EXPECT_TRUE(std::equal(unsent.begin(), unsent.end(), in_flight.end() - long(unsent.size())));
    // Everything but the last record goes out; half of what went is acknowledged.
    const size_t keep = unsent.empty() ? 0 : record(unsent.back()).size();
    w.sent(w.unsent_size() - keep);
    const uint32_t sent_count = uint32_t(in_flight.size() - (keep ? 1 : 0));
    const uint32_t take = sent_count / 2;
    ASSERT_TRUE(w.ack(acked + take));
    acked += take;
    in_flight.erase(in_flight.begin(), in_flight.begin() + take);
    EXPECT_EQ(w.records(), in_flight.size());
  }
  EXPECT_GT(next, 300u);
  // More than was sent cannot be acknowledged.
  EXPECT_FALSE(w.ack(acked + uint32_t(in_flight.size()) + 1));
  std::vector<uint32_t> held;
  w.drain([&](const uint8_t *r, size_t n) {
    EXPECT_EQ(n, LOG_HEADER_SIZE + x2kxlogrec(r).length);
    EXPECT_EQ(r[n - 1], uint8_t(x2kxlogrec(r).time));
    held.push_back(x2kxlogrec(r).time);
  });
  EXPECT_EQ(held, in_flight);
  EXPECT_TRUE(w.empty());
}
