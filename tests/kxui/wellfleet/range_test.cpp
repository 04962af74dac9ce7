#include "kxui/wellfleet/wellfleet.h"
#include "kxui/wellfleet/wrange.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

namespace {

uint32_t ip(const char *quad) {
  in_addr a{};
  inet_pton(AF_INET, quad, &a);
  return ntohl(a.s_addr);
}

std::string show(const kxell_ranges &rs) {
  std::string s;
  for (const kxell_range &r : rs)
    s += (s.empty() ? "" : " ") + std::to_string(r.low) + "-" + std::to_string(r.high);
  return s;
}

kxell_ranges optimize(kxell_ranges in, bool positive, uint32_t width) {
  kxell_ranges_merge(in);
  return positive ? in : ranges_inverse(in, width);
}

} // namespace

TEST(WellfleetRanges, MergeAndComplement) {
  const uint32_t top = UINT32_MAX;
  struct Case {
    const char *what;
    kxell_ranges in;
    bool positive;
    uint32_t width;
    kxell_ranges out;
  } cases[] = {
      {"net and a host inside it", {{ip("10.0.0.0"), ip("10.255.255.255"), 32}, {ip("10.1.2.3"), ip("10.1.2.3"), 32}},
       true, 32, {{ip("10.0.0.0"), ip("10.255.255.255"), 32}}},
      {"one host negated: below first, then above last",
       {{ip("1.2.3.4"), ip("1.2.3.4"), 32}}, false, 32,
       {{0, ip("1.2.3.3"), 32}, {ip("1.2.3.5"), top, 32}}},
      {"touching and unsorted", {{6, 9, 16}, {1, 5, 16}, {20, 20, 16}}, true, 16, {{1, 9, 16}, {20, 20, 16}}},
      {"nested", {{1, 100, 16}, {5, 6, 16}}, true, 16, {{1, 100, 16}}},
      {"gaps between come after the outer ones", {{1, 2, 16}, {5, 6, 16}, {9, 9, 16}}, false, 16,
       {{0, 0, 16}, {10, 65535, 16}, {3, 4, 16}, {7, 8, 16}}},
      {"nothing negated is everything", {}, false, 8, {{0, 255, 8}}},
      {"everything negated is nothing", {{0, 255, 8}}, false, 8, {}},
      {"top of the width", {{65535, 65535, 16}, {65534, 65534, 16}}, false, 16, {{0, 65533, 16}}},
      {"top of 32 bits", {{top, top, 32}, {0, 0, 32}}, false, 32, {{1, top - 1, 32}}},
  };
  for (const Case &c : cases) EXPECT_EQ(show(optimize(c.in, c.positive, c.width)), show(c.out)) << c.what;
}

TEST(WellfleetRanges, PortTexts) {
  struct Case {
    const char *text;
    bool ok;
    uint32_t low, high;
  } cases[] = {
      {"25", true, 25, 25},
      // Decimal only, as everywhere else a port is read.
      {"0x19", false, 0, 0},
      {"010", true, 10, 10},
      {">=5", false, 0, 0},
      {"5-", false, 0, 0},
      {">9223372036854775807", false, 0, 0},
      {"6000-6063", true, 6000, 6063},
      // Strict bounds, as in the filter script and the access lists.
      {">1023", true, 1024, 65535},
      {"<1024", true, 0, 1023},
      {" 53 ", true, 53, 53},
      {"", false, 0, 0},
      {"smtp", false, 0, 0},
      {"9-3", false, 0, 0},
      {"70000", false, 0, 0},
      {">65535", false, 0, 0},
      {"<0", false, 0, 0},
      {"1-2-3", false, 0, 0},
  };
  for (const Case &c : cases) {
    kxell_range r;
    ASSERT_EQ(kxell_port_range(c.text, r), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(r, (kxell_range{c.low, c.high, 16})) << c.text;
    }
  }
}

TEST(WellfleetRanges, RangeSetsRoundTrip) {
  KxSetRef out(kxset::make());
  EXPECT_EQ(kxell_ranges_optimize(out.get(), 0, {{5, 9, 16}}, 16), 2);
  kxell_range r;
  ASSERT_TRUE(kxell_range_read(out->get(0), r, 16));
  EXPECT_EQ(r, (kxell_range{0, 4, 16}));
  ASSERT_TRUE(kxell_range_read(out->get(1), r, 16));
  EXPECT_EQ(r, (kxell_range{10, 65535, 16}));
}

TEST(WellfleetStatus, DecodeWhen) {
  struct Case {
    std::string text;
    bool decoded;
    std::string rest;
  } cases[] = {
      {"JIIIIIIIup", true, "up"},
      {"IIIIIIIIdown", true, "down"},
      {"XXXXXXXX", true, ""},
      {"IIIIIII", false, "IIIIIII"},
      {"HIIIIIIIup", false, "HIIIIIIIup"},
  };
  for (Case c : cases) {
    std::string text = c.text;
    std::string when = kxell_decode_when(text);
    EXPECT_EQ(when != "-", c.decoded) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
  // The first letter is the least significant digit: "JIIIIIII" is 1 s,
  // "IJIIIIII" 16 s after the epoch.
  std::string a = "JIIIIIII", b = "IJIIIIII";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(kxell_decode_when(a), " 1Jan70  0:00:01");
  EXPECT_EQ(kxell_decode_when(b), " 1Jan70  0:00:16");
}
