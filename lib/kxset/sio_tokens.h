// Character classes of the set text format, computed at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sio {

enum : uint8_t {
  kBlank = 1,    // skipped before a token: space, tab
  kNameEnd = 2,  // ends a plain name: space, tab, newline, ")"
  kPlain = 4,    // may stand in a name written without quotes
  kWhite = 8,    // after ":" makes the attribute anonymous
  kSkipped = 16, // skipped between tokens: space, tab, newline, "#" (a comment)
};

constexpr std::array<uint8_t, 256> make_classes() {
  std::array<uint8_t, 256> t{};
  t[' '] = t['\t'] = kBlank | kNameEnd | kWhite;
  t['\n'] = kNameEnd | kWhite;
  t[' '] |= kSkipped;
  t['\t'] |= kSkipped;
  t['\n'] |= kSkipped;
  t['#'] |= kSkipped;
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

#if defined(__SSE2__)
// Sixteen bytes at a time: the bits of the bytes equal to any of `cs`.
template <char... cs> inline unsigned bytes_equal(const char *p) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  __m128i m = _mm_setzero_si128();
  ((m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(cs)))), ...);
  return static_cast<unsigned>(_mm_movemask_epi8(m));
}

#endif

// The number of newlines in [p, end): sixteen bytes a step, counted in byte
// lanes that are summed before they can overflow.
inline size_t count_newlines(const char *p, const char *end) {
  size_t n = 0;
#if defined(__SSE2__)
  const __m128i nl = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    __m128i acc = _mm_setzero_si128();
    for (int i = 0; i < 255 && end - p >= 16; ++i, p += 16)
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), nl));
    __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
    n += static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; p < end; ++p) n += *p == '\n';
  return n;
}

// The end of a plain name beginning at `p`: the first byte that ends one
// (or `end`), and also a '"' when `quote` is set. Names are mostly some
// ten bytes long, which a byte-wise loop took as many rounds for.
template <bool quote = false> inline const char *name_end(const char *p, const char *end) {
#if defined(__SSE2__)
  while (end - p >= 16) {
    unsigned m = quote ? bytes_equal<' ', '\t', '\n', ')', '"'>(p) : bytes_equal<' ', '\t', '\n', ')'>(p);
    if (m) return p + __builtin_ctz(m);
    p += 16;
  }
#endif
  while (p < end && !has_class(*p, kNameEnd) && !(quote && *p == '"')) ++p;
  return p;
}

} // namespace sio
