// Splitting a batch of packet filter messages: every whole message in
// order, and nothing past a broken length word or a torn end.
#include "kxlog/logbatch.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> message(uint32_t first_word, size_t words) {
  std::vector<uint8_t> m(words * 4 + 4, 0);
  put_be32(m.data(), first_word);
  m[m.size() - 4] = 1; // format 1
  return m;
}

struct Split {
  std::vector<uint32_t> first_words;
  std::vector<size_t> lengths;
  LogBatchFault fault;
};
Split split(const std::vector<uint8_t> &batch) {
  Split s;
  s.fault = log_batch_split(batch.data(), batch.size(), [&](const uint8_t *m, size_t n) {
    s.first_words.push_back(n >= 8 ? be32(m) : 0);
    s.lengths.push_back(n);
  });
  return s;
}

void word(std::vector<uint8_t> &b, uint32_t w) {
  b.resize(b.size() + 4);
  put_be32(&b[b.size() - 4], w);
}

} // namespace

TEST(LogBatch, WholeBatchesGiveEveryMessageInOrder) {
  std::vector<uint8_t> batch;
  for (uint32_t i = 0; i < 100; ++i) {
    const auto m = message(i, 1 + i % 7);
    log_batch_add(batch, m.data(), m.size());
  }
  // A message written in place, and the longest one there may be.
  const size_t at = log_batch_begin(batch);
  word(batch, 1000);
  batch.insert(batch.end(), {1, 0, 0, 1});
  log_batch_end(batch, at);
  const auto longest = message(1001, LOG_MAX_EXPORT / 4);
  log_batch_add(batch, longest.data(), longest.size());
  const Split s = split(batch);
  EXPECT_TRUE(s.fault.what.empty()) << s.fault.what;
  EXPECT_EQ(s.fault.dropped, 0u);
  ASSERT_EQ(s.first_words.size(), 102u);
  for (uint32_t i = 0; i < 100; ++i) {
    EXPECT_EQ(s.first_words[i], i);
    EXPECT_EQ(s.lengths[i], (2 + i % 7) * 4u);
  }
  EXPECT_EQ(s.first_words[100], 1000u);
  EXPECT_EQ(s.lengths[101], LOG_MESSAGE_MAX);
  EXPECT_TRUE(split({}).first_words.empty());
  EXPECT_TRUE(split({}).fault.what.empty());
}

TEST(LogBatch, FaultsKeepTheMessagesBeforeThem) {
  const auto good = message(7, 2); // 12 bytes
  std::vector<uint8_t> two;
  log_batch_add(two, good.data(), good.size());
  log_batch_add(two, good.data(), good.size());
  const struct {
    std::vector<uint32_t> tail; // words after two good messages
    size_t tail_bytes;          // of them (a torn word is shorter)
    const char *what;
  } cases[] = {
      {{0}, 4, "length 0 wrong"},
      {{6, 0, 0}, 12, "length 6 wrong"},
      {{2}, 4, "length 2 wrong"},
      {{LOG_MESSAGE_MAX + 4, 0}, 8, "length 8200 wrong"},
      {{0xFFFFFFFC, 0}, 8, "length 4294967292 wrong"},
      {{12, 0, 0}, 12, "cut short (8 bytes of 12)"},
      {{8}, 4, "cut short (0 bytes of 8)"},
      {{8}, 3, "stray 3 bytes"},
      // After a bad length, a good message is not looked for.
      {{5, 8, 1, 0x01000001}, 16, "length 5 wrong"},
  };
  for (const auto &c : cases) {
    std::vector<uint8_t> batch = two;
    for (uint32_t w : c.tail) word(batch, w);
    batch.resize(two.size() + c.tail_bytes);
    const Split s = split(batch);
    EXPECT_EQ(s.first_words, (std::vector<uint32_t>{7, 7})) << c.what;
    EXPECT_EQ(s.fault.dropped, c.tail_bytes) << c.what;
    EXPECT_NE(s.fault.what.find(c.what), std::string::npos) << c.what << ": " << s.fault.what;
  }
}
