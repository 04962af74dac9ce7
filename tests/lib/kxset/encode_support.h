// Helpers shared by the tests of the compressed set encoding.
#pragma once

#include "kxset/kxencode.h"
#include "kxset/sio.h"
#include "kxu/report.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace enctest {

// A fixture that keeps the notices of each test.
class EncodeTest : public ::testing::Test {
protected:
  kxtest::CollectReports notices;
  kxu::ScopedFrontEnd front{&notices};
};

inline KxSetRef parse(const std::string &text, kxset *dict = nullptr) {
  kxset *s = sio_sreadx(text.c_str(), dict);
  EXPECT_NE(s, nullptr) << text << sio_messages();
  return KxSetRef(s);
}

inline std::string text_of(const kxset *s, const kxset *dict = nullptr) {
  std::string out;
  EXPECT_EQ(sio_swrite(out, s, dict), 0);
  return out;
}

inline std::vector<uint8_t> encode(const kxset *s, kxset *dict = nullptr) {
  size_t len = 0;
  auto buf = EncodeKxset(s, len, false, dict);
  EXPECT_NE(buf, nullptr) << kxencode_error();
  if (!buf) return {};
  return std::vector<uint8_t>(buf.get(), buf.get() + len);
}

inline KxSetRef decode(const std::vector<uint8_t> &buf, kxset *dict = nullptr) {
  return KxSetRef(DecodeKxset(buf.data(), buf.size(), dict));
}

// Bytes of a buffer from its parts: the tree text (closing 1 included), then
// the code bits given as '0'/'1' characters in stream order (other
// characters are ignored), packed least significant bit first; `extra` zero
// bytes of data are added at the end.
inline std::vector<uint8_t> pack(const std::string &tree, const std::string &bits, size_t extra = 0) {
  std::vector<uint8_t> data;
  size_t k = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (k % 8 == 0) data.push_back(0);
    if (c == '1') data.back() |= static_cast<uint8_t>(1u << (k % 8));
    ++k;
  }
  data.resize(data.size() + extra, 0);
  std::vector<uint8_t> out(tree.begin(), tree.end());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

} // namespace enctest
