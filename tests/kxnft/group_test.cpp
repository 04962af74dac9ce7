// Grouping rules into verdict maps: reading conditions as boxes, and plans
// that decide every packet as testing the rules in order would.
#include "kxnft/group.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using kxnft::Box;
using kxnft::Clause;
using kxnft::service_point;

bool lists(const std::string &name, std::vector<std::string> &out) {
  if (name != "pair")
    return false;
  out = {"10.0.0.1", "10.0.0.0/24", "10.0.2.0/24"};
  return true;
}

TEST(NftGroup, ReadsBoxes) {
  Box b;
  ASSERT_TRUE(kxnft::box_of({Clause{false, {"tcp dport { 25, 23 }", "udp dport 53", "tcp dport 24"}},
                             Clause{false, {"ip saddr @pair", "ip saddr 10.0.1.0/24"}},
                             Clause{false, {"ip daddr 192.0.2.10"}}},
                            lists, b));
  EXPECT_TRUE(b.ports);
  // Overlapping and adjacent ranges merge.
  EXPECT_EQ(b.src, (kxnft::Spans{{0x0a000000, 0x0a0002ff}}));
  EXPECT_EQ(b.dst, (kxnft::Spans{{0xc000020a, 0xc000020a}}));
  ASSERT_TRUE(kxnft::box_of({Clause{false, {"ip daddr 10.0.0.0/8", "ip daddr 0.0.0.0"}}}, lists, b));
  EXPECT_FALSE(b.ports);
  EXPECT_EQ(b.dst, (kxnft::Spans{{0, 0}, {0x0a000000, 0x0affffff}}));
  // What a map key cannot say stays a rule of its own.
  const std::vector<std::vector<Clause>> refused = {
      {Clause{true, {"tcp dport 25"}}},
      {Clause{false, {"ip saddr != 10.0.0.1"}}},
      {Clause{false, {"tcp sport 1024-65535 tcp dport 6000"}}},
      {Clause{false, {"meta l4proto tcp"}}},
      {Clause{false, {"icmp type 8"}}},
      {Clause{false, {"ip saddr 10.0.0.1", "ip daddr 10.0.0.2"}}},
      {Clause{false, {"ip saddr 10.0.0.1"}}, Clause{false, {"ip saddr 10.0.0.2"}}},
      {Clause{false, {"ip saddr @unknown"}}},
      {Clause{false, {"tcp dport 70000"}}},
  };
  for (const auto &clauses : refused)
    EXPECT_FALSE(kxnft::box_of(clauses, lists, b)) << clauses[0].alts[0];
}

TEST(NftGroup, SpansAsAlignedBlocks) {
  using P = kxnft::Prefix;
  const struct {
    kxnft::Spans spans;
    int bits;
    std::vector<P> want;
  } cases[] = {
      {{{0, 0xffffffffu}}, 32, {P{0, 0}}},
      {{{0x0a000001, 0x0a000001}}, 32, {P{0x0a000001, 32}}},
      {{{0x0a000000, 0x0a0002ff}}, 32, {P{0x0a000000, 23}, P{0x0a000200, 24}}},
      {{{23, 25}}, 16, {P{23, 16}, P{24, 15}}},
      {{{1, 6}, {65534, 65535}}, 16, {P{1, 16}, P{2, 15}, P{4, 15}, P{6, 16}, P{65534, 15}}},
      {{{0xfffffffeu, 0xffffffffu}}, 32, {P{0xfffffffeu, 31}}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(kxnft::prefixes(c.spans, c.bits), c.want) << c.spans[0].lo << "-" << c.spans[0].hi;
  EXPECT_EQ(kxnft::prefix_mask(24, 32), 0xffffff00u);
  EXPECT_EQ(kxnft::prefix_mask(0, 16), 0u);
  EXPECT_EQ(kxnft::prefix_mask(16, 16), 0xffffu);
}

TEST(NftGroup, EarlierRulesKeepSharedKeys) {
  // tcp/80 to 10.0.0.1 first; then everything from 10.0.0.0/30 to it; then
  // tcp/80 to it from 10.0.0.2 again, which the first rule already takes.
  Box web, any, again;
  web.ports = again.ports = true;
  web.dst = any.dst = again.dst = {{0x0a000001, 0x0a000001}};
  web.svc = again.svc = {{service_point(6, 80), service_point(6, 80)}};
  any.src = {{0x0a000000, 0x0a000003}};
  again.src = {{0x0a000002, 0x0a000002}};
  Box first = web;
  auto blocks = kxnft::plan_blocks({&web, &any, &again, &first});
  ASSERT_EQ(blocks.size(), 1u);
  const auto &b = blocks[0];
  EXPECT_TRUE(b.first_hit);
  // dst/32 . src/30 . tcp/80 (where the first two rules meet, and which
  // holds the third's key); dst/32 . src/30; dst/32 . tcp/80: the longest
  // first.
  ASSERT_EQ(b.maps.size(), 3u);
  EXPECT_EQ(b.maps[0].shape, (kxnft::Shape{32, 30, true, 16}));
  EXPECT_EQ(b.maps[0].elements, (std::vector<std::pair<kxnft::Key, size_t>>{{{0x0a000001, 0x0a000000, 6, 80}, 0}}));
  for (const auto &m : b.maps)
    for (const auto &e : m.elements)
      EXPECT_NE(e.second, 3u) << "a rule that repeats an earlier one's key adds nothing";
  EXPECT_EQ(kxnft::lookup(b, 0x0a000002, 0x0a000001, service_point(6, 80), true), 0u);
  EXPECT_EQ(kxnft::lookup(b, 0x0a000002, 0x0a000001, service_point(6, 81), true), 1u);
  EXPECT_EQ(kxnft::lookup(b, 0x0a000002, 0x0a000001, service_point(6, 80), false), 1u);
  EXPECT_EQ(kxnft::lookup(b, 0x0a000004, 0x0a000001, service_point(6, 81), true), b.items.size());
  // A whole protocol is still a key on ports: two halves of the port range.
  Box udp;
  udp.ports = true;
  udp.svc = {{service_point(17, 0), service_point(17, 65535)}};
  auto u = kxnft::plan_blocks({&udp, &web});
  EXPECT_EQ(kxnft::lookup(u[0], 1, 2, service_point(17, 40000), true), 0u);
  EXPECT_EQ(kxnft::lookup(u[0], 1, 2, service_point(17, 40000), false), u[0].items.size());
  // A box of too many elements stays a rule of its own and splits the block.
  auto split = kxnft::plan_blocks({&web, &any, &udp, &again}, 1);
  ASSERT_EQ(split.size(), 3u);
  EXPECT_EQ(split[1].map, false);
  EXPECT_EQ(split[1].items, std::vector<size_t>{2});
  // Where the common parts would be too many, the rules' own keys: the
  // lowest place found decides.
  auto own = kxnft::plan_blocks({&web, &any, &again, &first}, 4096, 0, 1);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_FALSE(own[0].first_hit);
  EXPECT_EQ(own[0].maps.size(), 3u); // dst/32 . src/32 . tcp/80; dst/32 . src/30; dst/32 . tcp/80
  EXPECT_EQ(kxnft::lookup(own[0], 0x0a000002, 0x0a000001, service_point(6, 80), true), 0u);
  EXPECT_EQ(kxnft::lookup(own[0], 0x0a000002, 0x0a000001, service_point(6, 81), true), 1u);
}

// A random box over a small space, so that rules overlap often.
Box random_box(std::mt19937 &rng) {
  auto spans = [&rng] {
    kxnft::Spans s;
    int n = int(rng() % 3);
    if (n == 0)
      return kxnft::Spans{{0, 0xffffffffu}};
    for (int i = 0; i < n; ++i) {
      uint32_t lo = rng() % 16, hi = lo + rng() % 4;
      s.push_back({lo, hi});
    }
    return kxnft::normalized(s);
  };
  Box b;
  b.src = spans();
  b.dst = spans();
  b.ports = rng() % 3 != 0;
  if (b.ports) {
    kxnft::Spans p;
    for (int i = 0, n = 1 + int(rng() % 2); i < n; ++i) {
      uint32_t proto = rng() % 2 ? 6 : 17, lo = rng() % 8;
      p.push_back({service_point(proto, lo), service_point(proto, lo + rng() % 3)});
    }
    b.svc = kxnft::normalized(p);
  }
  return b;
}

TEST(NftGroup, PlansDecideLikeRulesInOrder) {
  std::mt19937 rng(18);
  size_t maps = 0, rules_in_maps = 0, forms[2] = {};
  for (int round = 0; round < 300; ++round) {
    size_t n = 1 + rng() % 40;
    std::vector<Box> boxes;
    std::vector<const Box *> input;
    for (size_t i = 0; i < n; ++i)
      boxes.push_back(random_box(rng));
    for (size_t i = 0; i < n; ++i)
      input.push_back(rng() % 10 == 0 ? nullptr : &boxes[i]); // a rule that stays in place
    // The default limits; one so small that boxes stay rules of their own;
    // and blocks whose common parts are often too many (the lowest place
    // decides, from the first rule or from one on).
    for (auto [limit, factor] : {std::pair<size_t, size_t>{4096, 4}, {6, 4}, {4096, 1}}) {
      auto blocks = kxnft::plan_blocks(input, limit, factor == 1 ? 0 : 4096, factor);
      std::vector<int> seen(n);
      for (const auto &b : blocks) {
        forms[b.first_hit] += b.map;
        maps += limit > 6 && b.map;
        for (size_t i : b.items) {
          ++seen[i];
          rules_in_maps += limit > 6 && b.map;
          if (limit > 6) {
            EXPECT_EQ(b.map, input[i] != nullptr);
          }
        }
      }
      EXPECT_EQ(seen, std::vector<int>(n, 1));
      for (int k = 0; k < 400; ++k) {
        uint32_t src = rng() % 20, dst = rng() % 20;
        uint32_t proto = rng() % 5 ? (rng() % 2 ? 6 : 17) : 1, svc = service_point(proto, rng() % 11);
        bool ports = rng() % 8 != 0; // else the transport header is cut short
        // A rule on ports cannot match a packet without them.
        auto hit = [&](size_t i) { return (ports || !boxes[i].ports) && kxnft::contains(boxes[i], src, dst, svc); };
        size_t want = n;
        for (size_t i = 0; i < n && want == n; ++i)
          if (hit(i))
            want = i;
        size_t got = n;
        for (const auto &b : blocks) {
          if (!b.map) {
            if (hit(b.items[0])) {
              got = b.items[0];
              break;
            }
            continue;
          }
          size_t place = kxnft::lookup(b, src, dst, svc, ports);
          if (place < b.items.size()) {
            got = b.items[place];
            break;
          }
        }
        ASSERT_EQ(got, want) << "round " << round << " limit " << limit << " packet " << src << " " << dst << " "
                             << proto << "/" << (svc & 0xffff) << (ports ? "" : " without ports");
      }
    }
  }
  // Most rules share blocks, of both forms.
  EXPECT_GT(rules_in_maps, 4 * maps);
  EXPECT_GT(forms[0], 100u);
  EXPECT_GT(forms[1], 100u);
}

} // namespace
