// What the module checks before loading a ruleset, how it reads nft's
// counters, and how it reads an NFLOG message of its ruleset.
#include "kxnft/guard.h"
#include "kxnft/load/nflog.h"
#include "kxnft/load/nftload.h"

#include <gtest/gtest.h>

namespace {

TEST(NftGuard, OnlyOurTable) {
  std::string why;
  EXPECT_TRUE(kxnft::ruleset_is_ours("# filter\ntable inet kx {\n\tchain c {\n\t\taccept\n\t}\n}\n# end\n", why)) << why;
  struct Case {
    const char *text, *why;
  } table[] = {
      {"table ip filter { }", "the ruleset does not begin with table inet kx"},
      {"flush ruleset\ntable inet kx { }", "the ruleset does not begin with table inet kx"},
      {"table inet kx { }\ntable ip nat { }", "there is more than the table inet kx"},
      {"table inet kx { }\nflush ruleset", "there is more than the table inet kx"},
      {"table inet kx { include \"/etc/x\" }", "the ruleset uses \"include\", which a module does not load"},
      {"table inet kx { chain c { ip saddr $x } }", "the ruleset uses \"$x\", which a module does not load"},
      {"table inet kx { chain c { log prefix \"a\nb\" } }", "a quoted text does not end on its line"},
      {"table inet kx { chain c {", "the table inet kx is not closed"},
      {"", "the ruleset does not begin with table inet kx"},
  };
  for (const auto &c : table) {
    EXPECT_FALSE(kxnft::ruleset_is_ours(c.text, why)) << c.text;
    EXPECT_EQ(why, c.why) << c.text;
  }
  // A brace inside a quoted text or a comment does not close the table.
  EXPECT_TRUE(kxnft::ruleset_is_ours("table inet kx { # }\n chain c { log prefix \"}\" } }", why)) << why;
}

TEST(NftCounters, ReadAndSummed) {
  auto counters = kxnft::parse_counters("table inet kx {\n"
                                        "\tcounter accept_r1_log {\n\t\tpackets 3 bytes 252\n\t}\n"
                                        "\tcounter accept_established {\n\t\tpackets 10 bytes 840\n\t}\n"
                                        "\tcounter drop_r3_log {\n\t\tpackets 2 bytes 120\n\t}\n"
                                        "\tcounter reject_r0 {\n\t\tpackets 1 bytes 60\n\t}\n"
                                        "\tcounter drop_default {\n\t\tpackets 4 bytes 240\n\t}\n}\n");
  ASSERT_EQ(counters.size(), 5u);
  EXPECT_EQ(counters["accept_r1_log"].bytes, 252u);
  auto f = kxnft::summarize(counters);
  EXPECT_EQ(f.accepted, 13u);
  EXPECT_EQ(f.dropped, 6u);
  EXPECT_EQ(f.rejected, 1u);
  EXPECT_EQ(f.logged, 5u);
  EXPECT_EQ(f.per_rule, (std::map<int, uint64_t>{{0, 1}, {1, 3}, {3, 2}}));
}

std::vector<uint8_t> ipv4(uint8_t proto, std::vector<uint8_t> transport, uint16_t fragment = 0) {
  std::vector<uint8_t> p = {0x45, 0, 0, 0, 0, 0, uint8_t(fragment >> 8), uint8_t(fragment), 64, proto, 0, 0,
                            192, 0, 2, 10, 198, 51, 100, 10};
  for (uint8_t b : transport)
    p.push_back(b);
  p[2] = uint8_t(p.size() >> 8);
  p[3] = uint8_t(p.size());
  return p;
}

TEST(NflogRead, PrefixAndPacket) {
  kxnft::NflogMessage m{"kx 3 long drop - in", "le0", "le1", 100, ipv4(6, {0x9c, 0x40, 0x1f, 0x91, 0, 0, 0, 0})};
  auto p = kxnft::read_logged(m);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->rule, 3);
  EXPECT_EQ(p->format, "long");
  EXPECT_EQ(p->action, "drop");
  EXPECT_TRUE(p->inbound);
  EXPECT_EQ(p->ifname, "le0");
  EXPECT_EQ(p->src, 0xC000020Au);
  EXPECT_EQ(p->dst, 0xC633640Au);
  EXPECT_EQ(p->proto, 6);
  EXPECT_EQ(p->sport, 40000);
  EXPECT_EQ(p->dport, 8081);
  EXPECT_EQ(p->length, 28);

  m = {"kx 1 short accept MAIL out", "le0", "le1", 100, ipv4(1, {8, 0, 0, 0})};
  p = kxnft::read_logged(m);
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->inbound);
  EXPECT_EQ(p->ifname, "le1");
  EXPECT_EQ(p->alert, "MAIL");
  EXPECT_EQ(p->icmp_type, 8);

  // A later fragment has no ports; a cut header none either.
  p = kxnft::read_logged({"kx 1 long drop - in", "le0", "", 0, ipv4(17, {0, 53, 0, 53}, 10)});
  ASSERT_TRUE(p);
  EXPECT_EQ(p->dport, 0);
  p = kxnft::read_logged({"kx 1 long drop - in", "le0", "", 0, ipv4(17, {0, 53})});
  ASSERT_TRUE(p);
  EXPECT_EQ(p->sport, 0);

  // Not ours, or not IPv4.
  for (const char *prefix : {"", "other 1 long drop - in", "kx x long drop - in", "kx 1 long drop - sideways",
                             "kx -1 long drop - in"})
    EXPECT_FALSE(kxnft::read_logged({prefix, "le0", "", 0, ipv4(6, {})})) << prefix;
  EXPECT_FALSE(kxnft::read_logged({"kx 1 long drop - in", "le0", "", 0, {0x60, 0, 0, 0}}));
  auto bad_ihl = ipv4(6, {});
  bad_ihl[0] = 0x4f;
  EXPECT_FALSE(kxnft::read_logged({"kx 1 long drop - in", "le0", "", 0, bad_ihl}));
}

} // namespace
