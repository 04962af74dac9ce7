// Grouping rules into verdict maps: reading conditions as boxes, and plans
// that decide every packet as testing the rules in order would.
#include "kxnft/group.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using kxnft::Box;
using kxnft::Clause;

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
  EXPECT_EQ(kxnft::element_keys(b), (std::vector<std::string>{"10.0.0.0-10.0.2.255 . 192.0.2.10 . tcp . 23-25",
                                                              "10.0.0.0-10.0.2.255 . 192.0.2.10 . udp . 53"}));
  ASSERT_TRUE(kxnft::box_of({Clause{false, {"ip daddr 10.0.0.0/8", "ip daddr 0.0.0.0"}}}, lists, b));
  EXPECT_EQ(kxnft::element_keys(b), (std::vector<std::string>{"0.0.0.0/0 . 0.0.0.0", "0.0.0.0/0 . 10.0.0.0/8"}));
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
    std::vector<kxnft::PortSpan> p;
    for (int i = 0, n = 1 + int(rng() % 2); i < n; ++i) {
      uint16_t lo = uint16_t(rng() % 8);
      p.push_back({uint8_t(rng() % 2 ? 6 : 17), lo, uint16_t(lo + rng() % 3)});
    }
    b.svc = kxnft::normalized(p);
  }
  return b;
}

TEST(NftGroup, PlansDecideLikeRulesInOrder) {
  std::mt19937 rng(18);
  for (int round = 0; round < 300; ++round) {
    size_t n = 1 + rng() % 40;
    std::vector<Box> boxes;
    std::vector<const Box *> input;
    for (size_t i = 0; i < n; ++i)
      boxes.push_back(random_box(rng));
    for (size_t i = 0; i < n; ++i)
      input.push_back(rng() % 10 == 0 ? nullptr : &boxes[i]); // a rule that stays in place
    auto blocks = kxnft::plan_blocks(input);
    // Every rule once, and no map mixes keys.
    std::vector<int> seen(n);
    for (const auto &b : blocks)
      for (size_t i : b.items) {
        ++seen[i];
        EXPECT_EQ(b.map, input[i] != nullptr);
        if (b.map) {
          EXPECT_EQ(b.ports, boxes[i].ports);
        }
      }
    EXPECT_EQ(seen, std::vector<int>(n, 1));
    for (int k = 0; k < 400; ++k) {
      uint32_t src = rng() % 20, dst = rng() % 20;
      uint8_t proto = rng() % 3 ? 6 : 17;
      uint16_t port = uint16_t(rng() % 11);
      auto hit = [&](size_t i) { return kxnft::contains(boxes[i], src, dst, proto, port); };
      size_t want = n;
      for (size_t i = 0; i < n && want == n; ++i)
        if (hit(i))
          want = i;
      size_t got = n;
      for (const auto &b : blocks) {
        size_t matches = 0;
        for (size_t i : b.items)
          if (hit(i)) {
            ++matches;
            got = i;
          }
        ASSERT_LE(matches, 1u) << "two rules of one map match";
        if (matches)
          break;
      }
      ASSERT_EQ(got, want) << "round " << round << " packet " << src << " " << dst << " " << int(proto) << "/" << port;
    }
  }
}

TEST(NftGroup, FewMapsForDisjointRules) {
  // Rules on distinct hosts share one map per key, across the other key's
  // maps between them.
  std::vector<Box> boxes(20);
  std::vector<const Box *> input;
  for (uint32_t i = 0; i < boxes.size(); ++i) {
    boxes[i].dst = {{i, i}};
    boxes[i].ports = i % 2;
    if (boxes[i].ports)
      boxes[i].svc = {{6, 80, 80}};
    input.push_back(&boxes[i]);
  }
  auto blocks = kxnft::plan_blocks(input);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].items.size(), 10u);
}

} // namespace
