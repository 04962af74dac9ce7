// Verification of rule bases: empty rule base, install targets, empty cells,
// rules hidden or overridden by earlier ones, and the text limit.
#include "site_fixture.h"

#include "kxui/compiler/check.h"

namespace kxtest {
namespace {

class Check : public SiteTest {};

TEST_F(Check, Messages) {
  struct Case {
    const char *what;
    std::vector<RuleWords> rules;
    int mode;
    const char *text; // null: nothing to say
  };
  const RuleWords telnet_any{"Any", "Any", "telnet", "accept", "", "Gateways"};
  const Case cases[] = {
      {"empty rule base", {}, 0, "Empty Filter\n"},
      {"routers only, firewall script", {{"Any", "Any", "telnet", "accept", "", "Routers"}}, 0, nullptr},
      {"routers only, router lists", {{"Any", "Any", "telnet", "accept", "", "Routers"}}, -1, nullptr},
      {"firewall only, router lists", {{"Any", "Any", "telnet", "accept", "", "Gateways"}}, -1, nullptr},
      {"no firewalled source", {{"a", "Any", "telnet", "accept", "", "Src"}}, 0,
       "No install target for rule 1\n"},
      {"external firewalled host", {{"Any", "Any", "telnet", "accept", "", "outpost"}}, 1,
       "No install target for rule 1\n"},
      {"Any source on Src stands for every module", {{"Any", "Any", "telnet", "accept", "", "Src"}}, 0, nullptr},
      {"empty cells",
       {{"empty", "nested", "", "accept", "", "Gateways"}},
       0,
       "Rule 1: no elements in src\nRule 1: no elements in dst\nRule 1: no elements in services\n"},
      {"overrides",
       {telnet_any, {"a", "b", "telnet ftp", "drop", "", "Gateways"}},
       0,
       "Rule 1 overrides rule 2, service telnet\n"},
      {"hides, every service",
       {{"a", "b", "telnet ftp", "drop", "", "Gateways"}, {"a", "b", "telnet ftp", "drop", "", "Gateways"}},
       0,
       "Rule 1 hides rule 2, service telnet, ftp\n"},
      {"empty service cells",
       {{"a", "b", "", "drop", "", "Gateways"}, {"a", "b", "", "drop", "", "Gateways"}},
       0,
       "Rule 1: no elements in services\nRule 2: no elements in services\nRule 1 hides rule 2\n"},
      {"Any services hide all of the later rule's",
       {{"a", "b", "Any", "drop", "", "Gateways"}, {"a", "b", "telnet ping gre", "accept", "", "Gateways"}},
       0,
       "Rule 1 overrides rule 2, service telnet, ping, gre\n"},
      {"Any services are not hidden by some",
       {{"a", "b", "telnet", "drop", "", "Gateways"}, {"a", "b", "Any", "drop", "", "Gateways"}},
       0,
       nullptr},
      {"icmp and other services do not count",
       {{"a", "b", "ping gre", "drop", "", "Gateways"}, {"a", "b", "ping gre", "drop", "", "Gateways"}},
       0,
       nullptr},
      {"a group opened",
       {{"a", "b", "login", "drop", "", "Gateways"}, {"a", "b", "mixed", "drop", "", "Gateways"}},
       0,
       "Rule 1 hides rule 2, service telnet\n"},
      {"host within a network",
       {{"corpnet", "Any", "telnet", "drop", "", "Gateways"}, {"a", "b", "telnet", "drop", "", "Gateways"}},
       0,
       "Rule 1 hides rule 2, service telnet\n"},
      {"a network is not within a host",
       {{"a", "Any", "telnet", "drop", "", "Gateways"}, {"corpnet", "b", "telnet", "drop", "", "Gateways"}},
       0,
       nullptr},
      {"negated cell: the objects outside it",
       {{"Any", "!corpnet", "telnet", "drop", "", "Gateways"}, {"Any", "lab", "telnet", "drop", "", "Gateways"},
        {"Any", "a", "telnet", "drop", "", "Gateways"}},
       0,
       "Rule 1 hides rule 2, service telnet\n"},
      {"no shared target",
       {{"a", "b", "telnet", "drop", "", "fw1"}, {"a", "b", "telnet", "drop", "", "fw2"}},
       0,
       nullptr},
      {"one shared target of several",
       {{"a", "b", "telnet", "drop", "", "fw1 fw2"}, {"a", "b", "telnet", "drop", "", "fw2 gw"}},
       0,
       "Rule 1 hides rule 2, service telnet\n"},
      {"every way a cell lies within an earlier one, among others",
       {{"Any", "corpnet", "smtp", "accept", "", "Gateways"},
        {"hosts", "outside", "telnet", "drop", "", "Gateways"},
        {"corpnet", "outside", "telnet ftp", "drop", "", "Gateways"},
        {"a", "mailserver", "smtp", "accept", "", "Gateways"},  // Any source, host in network
        {"a", "outpost", "telnet", "accept", "", "Gateways"},   // member of a group, host in network
        {"gw", "outpost", "ftp", "drop", "", "Gateways"},       // gateway by its address
        {"!lab", "b", "smtp", "drop", "", "Gateways"},          // negated source
        {"example", "Any", "telnet", "drop", "", "Gateways"},   // domain
        {"example", "lab", "telnet", "drop", "", "Gateways"}},
       0,
       "Rule 1 hides rule 4, service smtp\n"
       "Rule 2 overrides rule 5, service telnet\n"
       "Rule 3 overrides rule 5, service telnet\n"
       "Rule 3 hides rule 6, service ftp\n"
       "Rule 1 overrides rule 7, service smtp\n"
       "Rule 8 hides rule 9, service telnet\n"},
  };
  for (const Case &c : cases) {
    rule_array rs;
    for (const RuleWords &w : c.rules) rs.push_back(rule(w));
    std::optional<std::string> got = gen_check(rs, c.mode);
    if (c.text) EXPECT_EQ(got.value_or("<nothing>"), c.text) << c.what;
    else EXPECT_FALSE(got) << c.what << ": " << *got;
  }
}

TEST_F(Check, AuthMessagesComeFirstAndAuthRulesAreNotCompared) {
  rule_array rs = rules({{"Any", "Any", "telnet", "accept", "", "Gateways"},
                         {"Any", "Any", "telnet", "User Auth", "", "Gateways"},
                         {"a", "Any", "smtp", "User Auth", "", "Gateways"}});
  EXPECT_EQ(gen_check(rs, 0).value_or(""),
            "Rule 3: Only usergroups are allowed Src in User Auth rules\n"
            "Rule 3: User auth is not available for service smtp\n");
}

TEST_F(Check, TooManyErrors) {
  rule_array rs;
  for (int i = 0; i < 300; ++i) rs.push_back(rule({"a", "Any", "telnet", "accept", "", "Src"}));
  std::string text = gen_check(rs, 0).value_or("");
  ASSERT_TRUE(text.ends_with("\nToo Many Errors\n"));
  EXPECT_GE(text.size() - 17, kxrb::kCheckTextSize - kxrb::kCheckMargin);
  EXPECT_LT(text.size(), kxrb::kCheckTextSize);
  EXPECT_EQ(text.find("Too Many"), text.size() - 16);
}

} // namespace
} // namespace kxtest
