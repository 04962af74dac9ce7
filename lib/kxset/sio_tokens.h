// Character classes of the set text format, computed at compile time.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace sio {

enum : uint8_t {
  kBlank = 1,    // skipped before a token: space, tab
  kNameEnd = 2,  // ends a plain name: space, tab, newline, ")"
  kPlain = 4,    // may stand in a name written without quotes
  kWhite = 8,    // after ":" makes the attribute anonymous
};

constexpr std::array<uint8_t, 256> make_classes() {
  std::array<uint8_t, 256> t{};
  t[' '] = t['\t'] = kBlank | kNameEnd | kWhite;
  t['\n'] = kNameEnd | kWhite;
  t[')'] = kNameEnd;
  t['\r'] = t['\v'] = t['\f'] = kWhite;
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kPlain;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kPlain;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kPlain;
  for (char c : {'.', '_', '-', '@', '!'}) t[static_cast<unsigned char>(c)] |= kPlain;
  return t;
}

inline constexpr std::array<uint8_t, 256> kClass = make_classes();

inline bool has_class(char c, uint8_t cls) { return kClass[static_cast<unsigned char>(c)] & cls; }

// A name the writer may put down without quotes (the empty name included).
inline bool plain_name(std::string_view s) {
  for (char c : s)
    if (!has_class(c, kPlain)) return false;
  return true;
}

} // namespace sio
