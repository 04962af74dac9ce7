// Install targets, directions and scope lines; interface access groups.
#include "site_fixture.h"

#include "kxui/compiler/access.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/logtab.h"
#include "kxui/compiler/targets.h"

namespace kxtest {
namespace {

class Targets : public SiteTest {
protected:
  Targets() { reset_list_counter(); }
  std::string scope(const RuleWords &w) {
    std::string out;
    gen_scope(out, rule(w), lists_.get(), addresses_.get());
    return out;
  }
  KxSetRef lists_{kxset::make()}, addresses_{kxset::make()};
};

TEST_F(Targets, ScopeLines) {
  struct Case {
    const char *gatewaydir; // null: unset
    RuleWords rule;
    const char *line;
  };
  const Case cases[] = {
      {nullptr, {"Any", "Any", "Any", "accept", "", "Src"}, "outbound\tall@all\n\t"},
      {nullptr, {"Any", "Any", "Any", "accept", "", "Dst"}, "inbound\tall@all\n\t"},
      {nullptr, {"fw1", "fw2", "Any", "accept", "", "Src Dst"}, "eitherbound\tall@target_list1\n\t"},
      {nullptr, {"Any", "Any", "Any", "accept", "", "Gateways"}, "inbound\tall@gw\n\t"},
      {"Outbound", {"Any", "Any", "Any", "accept", "", "Gateways"}, "outbound\tall@gw\n\t"},
      {"Eitherbound", {"Any", "Any", "Any", "accept", "", "Gateways"}, "eitherbound\tall@gw\n\t"},
      {"inbound", {"Any", "Any", "Any", "accept", "", "fw1"}, "eitherbound\tall@fw1\n\t"},
      // A network names the firewalled hosts and gateways within it.
      {nullptr, {"Any", "corpnet", "Any", "accept", "", "Dst"}, "inbound\tall@target_list1\n\t"},
      // External firewalled hosts are never targets; routers give no line.
      {nullptr, {"Any", "Any", "Any", "accept", "", "outpost"}, ""},
      {nullptr, {"Any", "Any", "Any", "accept", "", "Routers rtr"}, ""},
      {nullptr, {"Any", "Any", "Any", "accept", "", "Gateways Src"}, "eitherbound\tall@all\n\t"},
      // The same object named twice is one target.
      {nullptr, {"gw", "Any", "Any", "accept", "", "Src Gateways"}, "eitherbound\tall@gw\n\t"},
  };
  for (const Case &c : cases) {
    reset_list_counter();
    kxrb::props_set()->remove(KxAtom("gatewaydir"));
    if (c.gatewaydir) prop("gatewaydir", c.gatewaydir);
    EXPECT_EQ(scope(c.rule), c.line) << c.rule.install << " " << (c.gatewaydir ? c.gatewaydir : "");
  }
}

TEST_F(Targets, TargetSetsAndMarkers) {
  struct Case {
    const char *install;
    int mode;
    const char *members; // names, then "+others" when marked
  };
  const Case cases[] = {
      {"Gateways rtr", TARGETS_FIREWALL, "gw +others"},
      {"Gateways rtr", TARGETS_ALL, "gw rtr"},
      {"Gateways rtr", TARGETS_ROUTERS, "rtr +others"},
      {"Routers", TARGETS_ROUTERS, "rtr"},
      {"none", TARGETS_ALL, ""},
  };
  for (const Case &c : cases) {
    KxSetRef t(kxset::make());
    ASSERT_TRUE(gen_targets(rule({"Any", "Any", "Any", "accept", "", c.install}), t.get(), c.mode, nullptr, 0));
    std::string got;
    kxrb::each_member(t.get(), [&](kxset *m) { got += (got.empty() ? "" : " ") + m->getnamea().str(); });
    if (t->get(KxAtom("others"))) got += " +others";
    EXPECT_EQ(got, c.members) << c.install << " mode " << c.mode;
  }
  KxSetRef t(kxset::make());
  kxset *no_install = rule({});
  no_install->remove(KxAtom("install"));
  EXPECT_EQ(gen_targets(no_install, t.get(), 0, nullptr, 0), nullptr);
}

TEST_F(Targets, SameTargetsShareOneList) {
  std::string a = scope({"Any", "Any", "Any", "accept", "", "gw fw1 fw2"});
  std::string b = scope({"Any", "Any", "Any", "drop", "", "fw2 fw1 gw"});
  EXPECT_EQ(a, "eitherbound\tall@target_list1\n\t");
  EXPECT_EQ(b, a);
  EXPECT_EQ(lists_->getnattr(), 1);
  // The targets got address definitions.
  EXPECT_EQ(kxrb::nmembers(addresses_.get()), 3);
}

TEST_F(Targets, AccessGroupsMatchGolden) {
  kx_logmacros_clear();
  std::string out;
  ASSERT_TRUE(gen_accesslist(out, netobj("gw"), lists_.get(), addresses_.get()));
  expect_golden("compiler/access.ok", out);
  EXPECT_EQ(reports_.notices, std::vector<std::string>{});
}

TEST_F(Targets, AccessSettings) {
  kxset *gw = netobj("gw");
  // "this": a negated cell holding the interface's own network.
  KxSetRef le0(ifaccesslist(gw, gw->get(KxAtom("if-0")), addresses_.get(), 1));
  ASSERT_TRUE(le0);
  EXPECT_TRUE(kxrb::cell_not(le0.get()));
  EXPECT_EQ(kxrb::name(kxrb::first(le0.get())), "gw-net-le0");
  // "default": a positive cell of the networks behind the other interfaces,
  // the open one left out.
  KxSetRef le1(ifaccesslist(gw, gw->get(KxAtom("if-1")), addresses_.get(), 1));
  ASSERT_TRUE(le1);
  EXPECT_FALSE(kxrb::cell_not(le1.get()));
  EXPECT_EQ(kxrb::nmembers(kxrb::first(le1.get())), 1);
  EXPECT_TRUE(is_open(gw->get(KxAtom("if-2"))->get(KxAtom("netaccess"))));

  struct Name {
    const char *in, *out;
  };
  for (const Name &n : {Name{"le0.1", "le0"}, Name{"a.b.c", "a.b"}, Name{"le0", "le0"}, Name{"", ""}})
    EXPECT_EQ(rmsuffix(n.in), n.out);
  EXPECT_EQ(getaccessname(gw->get(KxAtom("if-1"))->get(KxAtom("netaccess"))), "__default");
}

TEST_F(Targets, AnyAccessWritesNothingAndDomainsFail) {
  kxset *gw = netobj("gw");
  kxset *le0 = gw->get(KxAtom("if-0"));
  KxSetRef saved(le0->get(KxAtom("netaccess")));

  le0->set(KxAtom("netaccess"), kxrb::first(kx_kxobj)); // the object Any
  std::string out;
  ASSERT_TRUE(gen_accesslist(out, gw, lists_.get(), addresses_.get()));
  EXPECT_EQ(out.find("le0@"), std::string::npos) << out;

  kxset *dom = kxset::make(KxAtom("domaccess"));
  dom->set(KxAtom("type"), kxset::make(KxAtom("group")));
  dom->append(KxAtom::null(), netobj("example"));
  le0->set(KxAtom("netaccess"), dom);
  out.clear();
  EXPECT_FALSE(gen_accesslist(out, gw, lists_.get(), addresses_.get()));
  EXPECT_EQ(reports_.notices,
            std::vector<std::string>{"Object gw interface le0 \n Domain example is illegal for antispoof\n"});
  le0->set(KxAtom("netaccess"), saved.get());
}

} // namespace
} // namespace kxtest
