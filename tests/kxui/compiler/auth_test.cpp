// "User Auth" rules: their checks, their translation into two statements and
// the auth rules database.
#include "site_fixture.h"

#include "kxui/compiler/auth.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/logtab.h"

#include <set>

namespace kxtest {
namespace {

std::set<std::string> g_known_groups = {"Staff"};
int known_group(const char *g) { return g_known_groups.count(g) ? 1 : 0; }

class Auth : public SiteTest {
protected:
  Auth() { kx_usergroup_known = known_group; }
  ~Auth() override { kx_usergroup_known = nullptr; }

  // A user group "<group>@<location>" coming from a network object.
  kxset *usergroup(const char *group, const char *location) {
    kxset *g = kxset::make(KxAtom(std::string(group) + "@" + location));
    g->set(KxAtom("type"), kxset::make(KxAtom("usrgroup")));
    g->set(KxAtom("at"), netobj(location));
    held_.emplace_back(g);
    return g;
  }
  kxset *auth_rule(std::initializer_list<kxset *> users, const RuleWords &w) {
    kxset *r = rule(w);
    if (users.size()) rule_set(r, "src", "", "");
    for (kxset *u : users) rule_put(r, "src", "", u);
    return r;
  }
  std::vector<KxSetRef> held_;
};

TEST_F(Auth, Checks) {
  struct Case {
    const char *what;
    std::vector<kxset *> users;
    RuleWords words;
    const char *text;
  };
  kxset *staff = usergroup("Staff", "outside");
  kxset *gone = usergroup("Gone", "outside");
  const Case cases[] = {
      {"valid", {staff}, {"", "mailserver", "telnet login", "User Auth", "", "Gateways"}, nullptr},
      {"Any source", {}, {"Any", "mailserver", "telnet", "User Auth", "", "Gateways"}, nullptr},
      {"unknown group and a host",
       {gone, netobj("a")},
       {"", "mailserver", "telnet", "User Auth", "", "Gateways"},
       "Rule 1: Gone no longer exists\nRule 1: Only usergroups are allowed Src in User Auth rules\n"},
      {"negated services", {staff}, {"", "b", "!telnet", "User Auth", "", "Gateways"},
       "Rule 1: Negation is not available for auth services"},
      {"services", {staff}, {"", "b", "telnet smtp mixed", "User Auth", "", "Gateways"},
       "Rule 1: User auth is not available for service smtp\n"
       "Rule 1: User auth is not available for service mixed\n"},
      {"install words and routers", {staff}, {"", "b", "ftp", "User Auth", "", "Dst rtr Routers Src"},
       "Rule 1: User auth can not be installed on Routers\n"
       "Rule 1: User auth can not be installed on Src\n"
       "Rule 1: User auth can not be installed on Dst\n"
       "Rule 1: User auth can not be installed on routers\n"},
      {"user group in an ordinary rule", {staff}, {"", "b", "ftp", "accept", "", "Gateways"},
       "Rule 1: Usergroups can be used only on User Auth rules\n"},
  };
  for (const Case &c : cases) {
    kxset *r = rule(c.words);
    if (!c.users.empty()) rule_set(r, "src", "", "");
    for (kxset *u : c.users) rule_put(r, "src", "", u);
    std::optional<std::string> got = gen_authcheck({r});
    if (c.text) EXPECT_EQ(got.value_or("<nothing>"), c.text) << c.what;
    else EXPECT_FALSE(got) << c.what << ": " << *got;
  }
}

TEST_F(Auth, Services) {
  struct Case {
    const char *service;
    bool auth;
  };
  for (const Case &c : {Case{"telnet", true}, Case{"ftp", true}, Case{"login", true}, Case{"mixed", false},
                        Case{"smtp", false}})
    EXPECT_EQ(is_authservice(kxrb::first(rule({"Any", "Any", c.service})->get(KxAtom("services")))), c.auth)
        << c.service;
  KxSetRef out(kxset::make());
  no_other_srv(out.get(), rule({"Any", "Any", "telnet ping gre smtp"})->get(KxAtom("services")));
  EXPECT_EQ(kxrb::nmembers(out.get()), 2);
}

TEST_F(Auth, TwoStatementsWithOneNumber) {
  kx_logmacros_clear();
  reset_list_counter();
  kxset *r = auth_rule({usergroup("Staff", "outside")}, {"", "mailserver", "telnet", "User Auth", "long", "Gateways"});
  KxSetRef lists(kxset::make()), services(kxset::make()), addresses(kxset::make());
  std::string out;
  ASSERT_TRUE(gen_authrule(out, r, lists.get(), services.get(), addresses.get(), 4));
  expect_golden("compiler/auth.ok", out);
  // The alerts of the action's tracks are defined in the script.
  ASSERT_TRUE(kx_alerttab());
  EXPECT_TRUE(kx_alerttab()->get(KxAtom("Red Alert")));
  EXPECT_TRUE(kx_alerttab()->get(KxAtom("mail")));

  kxset *plain = rule({"Any", "Any", "telnet"});
  KxSetRef base(gen_authrulebase({plain, r}));
  ASSERT_EQ(kxrb::nmembers(base.get()), 1);
  EXPECT_EQ(kxrb::name(kxrb::first(base.get())), "rule-2");
}

} // namespace
} // namespace kxtest
