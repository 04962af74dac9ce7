#include "kxsys/md4.h"

#include <cstring>
#include <vector>

namespace kxsys {

namespace {
uint32_t rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

void block(std::array<uint32_t, 4> &h, const uint8_t *p) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i)
    x[i] = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16 | uint32_t(p[4 * i + 3]) << 24;
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
  auto F = [](uint32_t x_, uint32_t y, uint32_t z) { return (x_ & y) | (~x_ & z); };
  auto G = [](uint32_t x_, uint32_t y, uint32_t z) { return (x_ & y) | (x_ & z) | (y & z); };
  auto H = [](uint32_t x_, uint32_t y, uint32_t z) { return x_ ^ y ^ z; };
  static const int r1[4] = {3, 7, 11, 19}, r2[4] = {3, 5, 9, 13}, r3[4] = {3, 9, 11, 15};
  for (int i = 0; i < 16; ++i) {
    uint32_t t = a + F(b, c, d) + x[i];
    a = d; d = c; c = b; b = rotl(t, r1[i % 4]);
  }
  static const int o2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
  for (int i = 0; i < 16; ++i) {
    uint32_t t = a + G(b, c, d) + x[o2[i]] + 0x5a827999u;
    a = d; d = c; c = b; b = rotl(t, r2[i % 4]);
  }
  static const int o3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (int i = 0; i < 16; ++i) {
    uint32_t t = a + H(b, c, d) + x[o3[i]] + 0x6ed9eba1u;
    a = d; d = c; c = b; b = rotl(t, r3[i % 4]);
  }
  h[0] += a; h[1] += b; h[2] += c; h[3] += d;
}
} // namespace

std::array<uint32_t, 4> md4_state(const uint8_t *data, size_t len) {
  std::array<uint32_t, 4> h = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
  size_t full = len / 64 * 64;
  for (size_t i = 0; i < full; i += 64)
    block(h, data + i);
  std::vector<uint8_t> tail(data + full, data + len);
  tail.push_back(0x80);
  while (tail.size() % 64 != 56)
    tail.push_back(0);
  uint64_t bits = uint64_t(len) * 8;
  for (int i = 0; i < 8; ++i)
    tail.push_back(uint8_t(bits >> (8 * i)));
  for (size_t i = 0; i < tail.size(); i += 64)
    block(h, tail.data() + i);
  return h;
}

} // namespace kxsys
