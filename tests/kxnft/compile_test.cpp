// The module's filter compiler: rulesets of small scripts and of the demo
// policy against goldens (each also checked by nft when it can run), and the
// constructs a Linux module refuses.
#include "kxnft/compile.h"

#include "support/golden.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using kxnft::Identity;

bool nft_can_check() { return geteuid() == 0 && access("/usr/sbin/nft", X_OK) == 0; }

// The ruleset as its golden, and accepted by nft's own parser and checks.
void expect_ruleset(const std::string &golden, const std::string &script, const Identity &self) {
  kxnft::Result r = kxnft::compile_ruleset(script, self);
  ASSERT_TRUE(r.ok) << r.error;
  kxtest::expect_golden("kxnft/" + golden, r.ruleset);
  if (!nft_can_check())
    return;
  kxtest::TempDir dir;
  auto check = kxtest::run_command("nft -c -f " + dir.write("r.nft", r.ruleset));
  EXPECT_EQ(check.status, 0) << golden << ": " << check.err;
}

std::string cases() { return kxtest::read_file(kxtest::test_path("kxnft/cases.pf")); }

TEST(NftCompile, CasesPerModule) {
  expect_ruleset("cases_gw.nft", cases(), Identity{{"gw"}});
  // Rule 9 of ns is in the auth rules database.
  auto ns = kxnft::compile_ruleset(cases(), Identity{{"ns"}});
  EXPECT_EQ(ns.error, "rule 9: User Auth needs the authentication service, which this module does not run");
  // A module the script does not name gets what is installed on all.
  expect_ruleset("cases_none.nft", cases(), Identity{});
}

TEST(NftCompile, DemoPolicy) {
  auto compiled = kxtest::run_command("KXDIR=" + kxtest::test_path("../demo") + " " KXC_PATH " compile " +
                                      kxtest::test_path("../demo/conf/Standard.W"));
  ASSERT_EQ(compiled.status, 0) << compiled.err;
  expect_ruleset("standard_ns.nft", compiled.out, Identity{{"ns"}});
  // The gateway runs the User Auth rule: refused by its number.
  auto gw = kxnft::compile_ruleset(compiled.out, Identity{{"gw"}});
  EXPECT_FALSE(gw.ok);
  EXPECT_EQ(gw.error, "rule 6: User Auth needs the authentication service, which this module does not run");
}

TEST(NftCompile, RefusesWhatItCannotEnforce) {
  const std::string defs = "SRV_rpc(ypserv, 100004)\nSRV_other(odd, ip_tos = 4)\nSRV_icmp(ping, icmp_code = 1)\n"
                           "SRV_tcp(web, 80)\nADDR_domain(.partner.example, .partner.example)\n"
                           "ADDR_host(mail, 192.0.2.10)\ndomain_list1 = domains { .partner.example };\n";
  struct Case {
    std::string statement, error;
  } table[] = {
      {"inbound all@all accept (ip_src in .partner.example), LOG(long,LOG_NOALERT,3);",
       "rule 3: domain .partner.example cannot be matched without a name resolver"},
      {"inbound all@all accept (ip_src in domain_list1);",
       "rule 1: domain list domain_list1 cannot be matched without a name resolver"},
      {"inbound all@all accept (rpc, ypserv), LOG(long,LOG_NOALERT,2);",
       "rule 2: rpc service ypserv needs the portmapper, which this module does not watch"},
      {"inbound all@all accept (other, odd), LOG(long,LOG_NOALERT,2);",
       "rule 2: service odd (ip_tos = 4) is an expression this module cannot enforce"},
      {"inbound all@all accept (icmp, ping);",
       "rule 1: icmp service ping (icmp_code = 1) is not an icmp type this module can match"},
      {"inbound all@all encrypt (tcp, web), LOG(long,LOG_NOALERT,4);",
       "rule 4: action encrypt cannot be enforced by this module"},
      {"inbound all@all accept (tcp, web), ENCRYPT(5);", "rule 5: action call ENCRYPT(5) cannot be enforced by this module"},
      {"inbound all@all accept (tcp, gopher);", "rule 1: service gopher has no definition"},
      {"inbound all@all accept (ip_dst = nowhere);", "rule 1: object nowhere has no address definition"},
      {"accept_everything;", "implied rule accept_everything: not an implied rule this module knows"},
      {"SRV_tcp_range(odd, 0, 65535, 7000, 6000)\ninbound all@all accept (tcp, odd);",
       "rule 1: service odd has an empty or impossible port range"},
      {"inbound all@all accept LOG(a\"b,LOG_NOALERT,1);",
       "rule 1: track LOG(a\"b,LOG_NOALERT,1) has a format or alert name this module cannot log"},
      {"inbound le0@all drop (ip_src in .partner.example);",
       "interface access group inbound le0@all: domain .partner.example cannot be matched without a name resolver"},
  };
  for (const auto &c : table) {
    auto r = kxnft::compile_ruleset(defs + c.statement + "\n", Identity{});
    EXPECT_FALSE(r.ok) << c.statement;
    EXPECT_EQ(r.error, c.error) << c.statement;
    EXPECT_TRUE(r.ruleset.empty());
  }
  // A text without statements would drop everything: not a filter script.
  EXPECT_EQ(kxnft::compile_ruleset("// nothing\n", Identity{}).error, "the script has no statements");
  // What is installed elsewhere is not this module's concern.
  EXPECT_TRUE(kxnft::compile_ruleset(defs + "inbound all@gw accept (rpc, ypserv);\n", Identity{}).ok);
}

TEST(NftCompile, RuleNumbersAsCarried) {
  // A statement carries the last argument of its track call when that is a
  // number of at most five digits, however the call is spaced or broken over
  // lines; a statement without one takes the number after the one before.
  const std::string script = "SRV_tcp(web, 80)\nADDR_host(x, 192.0.2.7)\n"
                             "inbound all@all accept (tcp, web), LOG( short , LOG_NOALERT ,\t12 );\n"
                             "inbound all@all drop (tcp, web);\n"
                             "inbound all@all reject (tcp, web), LOG(short,LOG_NOALERT,123456);\n"
                             "inbound all@all\n\taccept\t(tcp, web),\n\t\tLOG(long,LOG_NOALERT,\n\t\t40);\n"
                             "inbound all@all drop (ip_src = x);\n";
  auto r = kxnft::compile_ruleset(script, Identity{});
  ASSERT_TRUE(r.ok) << r.error;
  std::set<std::string> counters;
  for (size_t at = r.ruleset.find("\tcounter "); at != std::string::npos; at = r.ruleset.find("\tcounter ", at + 1)) {
    size_t begin = at + 9;
    counters.insert(r.ruleset.substr(begin, r.ruleset.find(' ', begin) - begin));
  }
  for (const char *c : {"accept_r12_log", "drop_r13", "reject_r14_log", "accept_r40_log", "drop_r41"})
    EXPECT_EQ(counters.count(c), 1u) << c << " in\n" << r.ruleset;
}

TEST(NftCompile, IdentityByNameAndAddress) {
  kxnft::Script s = kxnft::parse_script(cases());
  auto addr = [](const char *a) {
    in_addr x{};
    inet_pton(AF_INET, a, &x);
    return std::vector<uint32_t>{x.s_addr};
  };
  EXPECT_EQ(kxnft::identity_for(s, "GW", {}).names, (std::set<std::string>{"gw"}));
  EXPECT_EQ(kxnft::identity_for(s, "m1", addr("198.51.100.1")).names, (std::set<std::string>{"gw"}));
  EXPECT_EQ(kxnft::identity_for(s, "m2", addr("192.0.2.11")).names, (std::set<std::string>{"ns"}));
  // Several modules at once: each as if asked alone.
  auto several = kxnft::identities_for(s, {{"GW", {}}, {"m2", addr("192.0.2.11")}, {"m3", addr("10.0.0.0")}});
  ASSERT_EQ(several.size(), 3u);
  EXPECT_EQ(several[0].names, (std::set<std::string>{"gw"}));
  EXPECT_EQ(several[1].names, (std::set<std::string>{"ns"}));
  EXPECT_TRUE(several[2].names.empty());
  // An address is the module's only as written in dotted decimal: a part
  // with a leading zero is no address.
  s = kxnft::parse_script(cases() + "ADDR_host(odd, 192.0.2.012)\nADDR_host(even, 192.0.2.13)\n");
  EXPECT_TRUE(kxnft::identity_for(s, "m4", addr("192.0.2.12")).names.empty());
  EXPECT_EQ(kxnft::identity_for(s, "m5", addr("192.0.2.13")).names, (std::set<std::string>{"even"}));
  // A network's address is no module's.
  EXPECT_TRUE(kxnft::identity_for(s, "m3", addr("10.0.0.0")).names.empty());
}

} // namespace
