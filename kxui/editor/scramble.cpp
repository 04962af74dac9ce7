#include "kxui/editor/scramble.h"

#include <cstdint>

namespace {

constexpr std::string_view kPrefix = "1:";

// One keystream byte per position from a small shift register.
uint8_t keystream(size_t i) {
  uint32_t r = 0x5a3c96e1u ^ static_cast<uint32_t>(i * 0x9e3779b9u);
  for (int k = 0; k < 13; ++k) r = (r << 1) | (__builtin_parity(r & 0x80200003u));
  return static_cast<uint8_t>(r ^ (r >> 11));
}

int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

} // namespace

std::string kxuhidestr(std::string_view clear) {
  static const char digits[] = "0123456789abcdef";
  std::string out(kPrefix);
  for (size_t i = 0; i < clear.size() && i < KXU_SCRAMBLE_MAX; ++i) {
    const uint8_t b = static_cast<uint8_t>(clear[i]) ^ keystream(i);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::optional<std::string> kxushowstr(std::string_view stored) {
  if (!stored.starts_with(kPrefix)) return std::nullopt;
  stored.remove_prefix(kPrefix.size());
  if (stored.size() % 2 || stored.size() > 2 * KXU_SCRAMBLE_MAX) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < stored.size(); i += 2) {
    const int hi = hexval(stored[i]), lo = hexval(stored[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(static_cast<uint8_t>(hi << 4 | lo) ^ keystream(i / 2));
  }
  return out;
}
