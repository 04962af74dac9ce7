// What the module checks before loading a ruleset, which rulesets its own
// messages carry and how a load goes (in a network namespace of its own),
// how it reads nft's counters, and how it reads an NFLOG message of its
// ruleset.
#include "kxnft/guard.h"
#include "kxnft/load/nflog.h"
#include "kxnft/load/nftbatch.h"
#include "kxnft/load/nftload.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A ruleset of the forms the loader's own messages carry: a map run, its
// decision, a verdict chain, the hooks.
const char *const kRuleset = "# filter web\n"
                             "table inet kx {\n"
                             "\tcounter accept_r1 {\n\t}\n\tcounter drop_default {\n\t}\n"
                             "\tchain v2_in {\n\t\tlog prefix \"kx 2 short drop - in\" group 1 drop\n\t}\n"
                             "\tset a1_in_24 {\n\t\ttype ipv4_addr\n\t\tsize 1\n\t\telements = { 10.0.0.0 }\n\t}\n"
                             "\tmap h1_in_1 {\n\t\ttype ipv4_addr . inet_proto . inet_service : mark\n\t\tsize 2\n"
                             "\t\telements = { 10.0.0.0 . tcp . 80 : 0,\n\t\t\t10.0.0.0 . udp . 53 : 1 }\n\t}\n"
                             "\tmap n1_in {\n\t\ttype mark : counter\n\t\tsize 2\n"
                             "\t\telements = { 0 : \"accept_r1\", 1 : \"drop_default\" }\n\t}\n"
                             "\tmap d1_in {\n\t\ttype mark : verdict\n\t\tsize 2\n"
                             "\t\telements = { 0 : accept, 1 : jump v2_in }\n\t}\n"
                             "\tchain inbound {\n"
                             "\t\tct state established,related counter name \"accept_r1\" accept\n"
                             "\t\tip daddr & 255.255.255.0 @a1_in_24 jump s1_in_24\n\t}\n"
                             "\tchain s1_in_24 {\n"
                             "\t\tmeta mark set (ip daddr & 255.255.255.0) . meta l4proto . th dport map @h1_in_1 goto k1_in\n"
                             "\t}\n"
                             "\tchain k1_in {\n\t\tcounter name meta mark map @n1_in\n\t\tmeta mark vmap @d1_in\n\t}\n"
                             "\tchain input_filter {\n\t\ttype filter hook input priority filter; policy drop;\n"
                             "\t\tjump inbound\n\t\tcounter name \"drop_default\" drop\n\t}\n"
                             "}\n";

std::string with(std::string text, const std::string &from, const std::string &to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(NftLoad, OwnMessagesForTheCompilersForms) {
  std::vector<char> batch;
  std::string why;
  EXPECT_TRUE(kxnft::replace_batch(kRuleset, false, batch, why)) << why;
  EXPECT_FALSE(batch.empty());
  // Anything else is nft's to read; the reason names the line.
  struct Case {
    std::string text, why;
  } table[] = {
      {with(kRuleset, "jump inbound", "icmp type echo-request accept"), "a statement: icmp type echo-request accept"},
      {with(kRuleset, "size 1\n", "flags interval\n"), "a set attribute: flags interval"},
      {with(kRuleset, "10.0.0.0 . udp . 53 : 1", "10.0.0.0 . udp . 53"), "an element of h1_in_1:  10.0.0.0 . udp . 53"},
      {with(kRuleset, "udp . 53", "udp . 70000"), "an element of h1_in_1:  10.0.0.0 . udp . 70000 : 1"},
      {with(kRuleset, "policy drop;", "policy accept;"),
       "a chain's hook: type filter hook input priority filter; policy accept;"},
      {with(kRuleset, "table inet kx", "table ip kx"), "not the table inet kx: table ip kx {"},
      {with(kRuleset, "@a1_in_24", "@nothere"), "a statement: ip daddr & 255.255.255.0 @nothere jump s1_in_24"},
      {std::string(kRuleset) + "table ip other {\n}\n", "text after the table: table ip other {"},
  };
  for (const auto &c : table) {
    EXPECT_FALSE(kxnft::replace_batch(c.text, false, batch, why)) << c.why;
    EXPECT_EQ(why, c.why);
  }
}

// In a child process in a network namespace of its own (gone with it):
// loads, a load the kernel refuses, one that nft reads, unload. The child
// reports what it saw, one line each.
std::string loads_in_own_namespace() {
  int out[2];
  if (pipe(out) != 0)
    return "no pipe";
  pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    std::string report;
    if (unshare(CLONE_NEWNET) != 0) {
      report = "skip";
    } else {
      auto line = [&report](const kxnft::NftRun &r) {
        report += std::string(r.ok ? "ok" : "refused") + (r.direct ? " direct" : "") +
                  (r.err.find("No such file or directory") != std::string::npos ? " (nft says why)" : "") + "\n";
      };
      line(kxnft::nft_replace(kRuleset));
      line(kxnft::nft_replace(with(kRuleset, "jump inbound", "jump nowhere")));
      auto listed = kxnft::nft_run("list chain inet kx input_filter");
      report += listed.out.find("jump inbound") != std::string::npos ? "still in force\n" : "gone\n";
      line(kxnft::nft_replace(with(kRuleset, "jump inbound", "icmp type echo-request accept")));
      line(kxnft::nft_replace(kRuleset));
      line(kxnft::nft_remove());
      report += kxnft::nft_run("list tables").out.empty() ? "no tables\n" : "tables left\n";
    }
    ssize_t n = write(out[1], report.data(), report.size());
    _exit(n == ssize_t(report.size()) ? 0 : 1);
  }
  close(out[1]);
  std::string report;
  char buf[512];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
    report.append(buf, size_t(n));
  close(out[0]);
  waitpid(child, nullptr, 0);
  return report;
}

TEST(NftLoad, ReplacesInOneTransaction) {
  if (geteuid() != 0)
    GTEST_SKIP() << "a network namespace of its own needs root";
  std::string report = loads_in_own_namespace();
  if (report == "skip")
    GTEST_SKIP() << "cannot make a network namespace here";
  EXPECT_EQ(report, "ok direct\n"
                    "refused (nft says why)\n" // the old table stays
                    "still in force\n"
                    "ok\n" // read by nft
                    "ok direct\n" // replacing that one
                    "ok\n"
                    "no tables\n");
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
