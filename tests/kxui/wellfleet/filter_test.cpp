#include "kxui/wellfleet/wellfleet.h"
#include "kxui/wellfleet/wfield.h"

#include "kxui/kxcisco/policy_text.h"
#include "kxui/kxcisco/router_fixture.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "support/golden.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace kxtest;
using ::testing::HasSubstr;

namespace {

std::string demo_wellfleet() { return read_file(std::string(KX_SOURCE_DIR) + "/demo/conf/wellfleet.C"); }

const std::string kNet =
    " : (h1 :type (host) :ipaddr (1.2.3.4))\n"
    " : (mailserver :type (host) :ipaddr (192.9.200.10))\n"
    " : (corp :type (network) :ipaddr (192.9.200.0) :netmask (255.255.255.0) :broadcast (disallow))\n"
    " : (dom :type (domain))\n"
    " : (w1 :type (router) :vendor (wellfleet) :ipaddr (10.0.0.1))\n"
    " : (w2 :type (router) :vendor (wellfleet) :ipaddr (10.0.0.2))\n"
    " : (c1 :type (router) :vendor (cisco) :ipaddr (10.0.0.3))\n"
    " : (gw :type (gateway) :ipaddr (10.0.0.4) :firewall (installed)\n"
    "    :if-0 (le0 :ifname (le) :ifnum (0) :ipaddr (10.9.0.1) :netmask (255.255.0.0)))\n";

const std::string kServices =
    " : (telnet :type (tcp) :port (23))\n"
    " : (ftp :type (tcp) :port (21))\n"
    " : (domain :type (udp) :port (53))\n"
    " : (echo :type (icmp) :port (8))\n"
    " : (high :type (tcp) :port (\">1023\"))\n"
    " : (xs :type (tcp) :port (6000) :src_port_from (1024))\n"
    " : (ospf :type (other) :exp (ospf))\n"
    " : (mystery :type (other) :exp (nothing))\n"
    " : (badsp :type (tcp) :port (80) :src_port_from (10x))\n"
    " : (noport :type (tcp))\n";

const std::string kProps =
    ":rip_router (false) :rip_router_p (first) :icmpenable_router (false)"
    " :icmpenable_router_p (first) :domain_udp_router (false) :domain_udp_router_p (first)"
    " :domain_tcp_router (false) :domain_tcp_router_p (first)";

std::string quad(uint32_t a) {
  in_addr x{htonl(a)};
  return inet_ntoa(x);
}

// One line per filter rule: priority, action, scope, then each field as
// name=low-high,... (addresses as dotted quads).
std::string summary(const kxset *filter) {
  std::string s;
  for (kxset_iterator it(filter, KxAtom("rule")); kxset *r = it.next();) {
    s += kxobj_get(r, "priority");
    for (kxset_iterator a(r->get(KxAtom("action"))); kxset *m = a.next();) s += std::string(" ") + m->getname();
    s += " @";
    for (kxset_iterator sc(r->get(KxAtom("scope"))); kxset *m = sc.next();) s += std::string(" ") + m->getname();
    for (kxset_iterator f(r, KxAtom("field")); kxset *field = f.next();) {
      std::string name = field->get(KxAtom("name"))->getname();
      bool addr = name.rfind("ip_", 0) == 0;
      s += " " + name + "=";
      std::string sep;
      for (kxset_iterator rg(field->get(KxAtom("ranges"))); kxset *x = rg.next();) {
        kxell_range v;
        kxell_range_read(x, v, 32);
        s += sep + (addr ? quad(v.low) + "-" + quad(v.high)
                         : std::to_string(v.low) + "-" + std::to_string(v.high));
        sep = ",";
      }
    }
    s += "\n";
  }
  return s;
}

struct Result {
  KxSetRef filter;
  std::string messages;
};

Result build(RouterPolicy &p, const std::vector<RuleCells> &rules) {
  rule_list rl = p.rules(rulebase(rules));
  KxSetRef container(kxset::make());
  for (KxSetRef &r : rl) container->append("rule", r.get());
  CollectReports m;
  kxu::ScopedFrontEnd fe(&m);
  KxSetRef filter(kxell_filter_gen(container.get(), 1));
  return {filter, m.joined()};
}

RouterPolicy policy(const std::string &props = kProps) {
  return RouterPolicy(objects(kNet, kServices, props), demo_wellfleet());
}

} // namespace

TEST(WellfleetFilter, RulesOfServiceCells) {
  struct Case {
    const char *what;
    RuleCells rule;
    std::string filter; // summary, or the message of a refusal
  } cases[] = {
      {"one rule per protocol", {.src = "h1", .services = "telnet ftp domain", .install = "w1"},
       "1 accept @ w1 ip_src=1.2.3.4-1.2.3.4 proto=6-6 dport=21-21,23-23\n"
       "2 accept @ w1 ip_src=1.2.3.4-1.2.3.4 proto=17-17 dport=53-53\n"},
      {"negated service: another protocol, or another port",
       {.services = "telnet", .install = "w1", .srv_op = "not in"},
       "1 accept @ w1 proto=0-5,7-255\n"
       "2 accept @ w1 dport=0-22,24-65535\n"},
      {"negated list of one protocol",
       {.services = "telnet ftp", .install = "w1", .srv_op = "not in"},
       "1 accept @ w1 proto=0-5,7-255\n"
       "2 accept @ w1 dport=0-20,24-65535,22-22\n"},
      {"source port limit", {.services = "xs", .action = "drop", .install = "w1"},
       "1 drop @ w1 proto=6-6 dport=6000-6000 sport=1024-65535\n"},
      {"source port limit negated", {.services = "xs", .install = "w1", .srv_op = "not in"},
       "1 accept @ w1 proto=0-5,7-255\n2 accept @ w1 dport=0-5999,6001-65535\n"
       "3 accept @ w1 sport=0-1023\n"},
      {"other service", {.services = "ospf", .install = "w1"}, "1 accept @ w1 proto=89-89\n"},
      {"other service negated", {.services = "ospf", .install = "w1", .srv_op = "not in"},
       "1 accept @ w1 proto=0-88,90-255\n"},
      {"nothing to restrict: the match-all field", {.install = "w1", .track = "short"},
       "1 accept log @ w1 ip_src=0.0.0.0-255.255.255.255\n"},
      {"network without broadcast, negated destination",
       {.dst = "corp h1", .install = "w1", .dst_op = "not in"},
       "1 accept @ w1 ip_dst=0.0.0.0-1.2.3.3,192.9.200.255-255.255.255.255,1.2.3.5-192.9.200.0\n"},
      {"bound of >N excluded", {.services = "high", .install = "w1"},
       "1 accept @ w1 proto=6-6 dport=1024-65535\n"},
      {"gateway brings its interfaces", {.src = "gw", .install = "Routers"},
       "1 accept @ Any ip_src=10.0.0.4-10.0.0.4,10.9.0.1-10.9.0.1\n"},
      {"installed on cisco only", {.install = "c1"}, ""},
      {"installed on routers among the sources", {.src = "w2 c1", .install = "w1 Src"},
       "1 accept @ w1 w2 ip_src=10.0.0.2-10.0.0.3\n"},
  };
  for (const Case &c : cases) {
    RouterPolicy p = policy();
    Result r = build(p, {c.rule});
    ASSERT_TRUE(r.filter) << c.what << ": " << r.messages;
    EXPECT_EQ(summary(r.filter.get()), c.filter) << c.what;
  }
}

TEST(WellfleetFilter, RefusedRules) {
  struct Case {
    const char *what;
    RuleCells rule;
    std::string message;
  } cases[] = {
      {"two protocols negated", {.services = "telnet domain", .install = "w1", .srv_op = "not in"},
       "Cannot do multi service negation"},
      // not (xs or telnet) needs both to differ; separate rules cannot say so.
      {"two groups of one protocol negated", {.services = "xs telnet", .install = "w1", .srv_op = "not in"},
       "Cannot do multi service negation"},
      {"icmp has no port ranges", {.services = "echo", .install = "w1"},
       "Cannot create a range for object type 'icmp'"},
      {"domain in a source", {.src = "dom", .install = "w1"},
       "Cannot create a range for object type 'domain'"},
      {"source port not a number", {.services = "badsp", .install = "w1"}, "Badly formed number '78'"},
      {"service without port", {.services = "noport", .install = "w1"}, "Cannot create range for 'noport'"},
  };
  for (const Case &c : cases) {
    RouterPolicy p = policy();
    Result r = build(p, {c.rule});
    EXPECT_FALSE(r.filter) << c.what;
    EXPECT_THAT(r.messages, HasSubstr(c.message)) << c.what;
    EXPECT_THAT(r.messages, HasSubstr("Failed to generate rule 1")) << c.what;
  }
}

TEST(WellfleetFilter, UnknownOtherServiceIsSkipped) {
  RouterPolicy p = policy();
  Result r = build(p, {{.services = "mystery", .install = "w1"}});
  ASSERT_TRUE(r.filter);
  EXPECT_THAT(r.messages, HasSubstr("Cannot create service 'mystery' of type 'other'"));
  EXPECT_EQ(summary(r.filter.get()), "1 accept @ w1 ip_src=0.0.0.0-255.255.255.255\n");
}

TEST(WellfleetFilter, ImpliedRulesTakeTheirPlaces) {
  RouterPolicy p = policy(":rip_router (true) :rip_router_p (first) :icmpenable_router (true)"
                          " :icmpenable_router_p (last) :domain_udp_router (true)"
                          " :domain_udp_router_p (\"before last\") :domain_tcp_router (false)"
                          " :domain_tcp_router_p (first)");
  Result r = build(p, {{.services = "telnet", .install = "w1"}, {.services = "ftp", .install = "w2"}});
  ASSERT_TRUE(r.filter) << r.messages;
  EXPECT_EQ(summary(r.filter.get()), "1 accept @ Any proto=17-17 dport=520-520\n"
                                     "2 accept @ w1 proto=6-6 dport=23-23\n"
                                     "3 accept @ Any proto=17-17 dport=53-53\n"
                                     "4 accept @ w2 proto=6-6 dport=21-21\n"
                                     "5 accept @ Any proto=1-1\n");
}

TEST(WellfleetFilter, MissingPropertyFails) {
  RouterPolicy p = policy(":rip_router (true) :rip_router_p (first)");
  Result r = build(p, {{.install = "w1"}});
  EXPECT_FALSE(r.filter);
  EXPECT_THAT(r.messages, HasSubstr("cannot find propery 'icmpenable_router'"));
  EXPECT_THAT(r.messages, HasSubstr("Cannot create properties"));
}

TEST(WellfleetFilter, ProjectionKeepsTheRoutersRulesAndRenumbers) {
  RouterPolicy p = policy();
  Result r = build(p, {{.services = "telnet", .install = "w1"},
                       {.services = "ftp", .install = "w2"},
                       {.services = "domain", .install = "Routers"}});
  ASSERT_TRUE(r.filter) << r.messages;
  KxSetRef only_w2(kxobj_newlist());
  kxobj_append(only_w2.get(), kxobj_obj(kx_netobj, "w2"));
  r.filter->append("note", kxset::make("kept"));
  KxSetRef bad(kxset::make());
  r.filter->append("rule", bad.get());
  CollectReports m;
  kxu::ScopedFrontEnd fe(&m);
  KxSetRef projected(kxell_filter_project(r.filter.get(), only_w2.get()));
  EXPECT_EQ(summary(projected.get()), "1 accept @ w2 proto=6-6 dport=21-21\n"
                                      "2 accept @ Any proto=17-17 dport=53-53\n");
  EXPECT_STREQ(kxobj_get(projected.get(), "note"), "kept");
  EXPECT_THAT(m.joined(), HasSubstr("Badly formed rule. No scope specified"));
  // The generated filter itself is untouched.
  EXPECT_THAT(summary(r.filter.get()), HasSubstr("3 accept @ Any"));
}

TEST(WellfleetFilter, TextMatchesGolden) {
  RouterPolicy p = policy();
  rule_list rl = p.rules(rulebase({{.src = "h1", .dst = "corp", .services = "telnet", .install = "w1", .track = "short"},
                                   {.services = "ospf", .action = "drop", .install = "Routers"}}));
  CollectReports m;
  kxu::ScopedFrontEnd fe(&m);
  std::optional<std::string> text = wellfleet_rulebase(rl, nullptr);
  ASSERT_TRUE(text) << m.joined();
  expect_golden("wellfleet/filter.ok", *text);
}

TEST(WellfleetFilter, RuleFiles) {
  RouterPolicy p = policy();
  p.dir().write("conf/good.W", rulebase({{.services = "telnet", .install = "w1"}}));
  p.dir().write("conf/bad.W", "(policy :rule ( :src ( : nosuchobject ) ) )\n");
  setenv("KX_CONF", (p.dir().path() + "/conf").c_str(), 1);
  testing::internal::CaptureStderr();
  KxSetRef good(kxell_rulebase_gen("good.W", 0));
  KxSetRef bad(kxell_rulebase_gen("bad.W", 0));
  KxSetRef missing(kxell_rulebase_read("missing.W"));
  std::string err = testing::internal::GetCapturedStderr();
  unsetenv("KX_CONF");
  ASSERT_TRUE(good);
  EXPECT_EQ(summary(good.get()), "1 accept @ w1 proto=6-6 dport=23-23\n");
  EXPECT_FALSE(bad);
  EXPECT_THAT(err, HasSubstr("Failed to load rules from 'bad.W':\n"));
  EXPECT_THAT(err, HasSubstr("nosuchobject"));
  EXPECT_FALSE(missing);
  EXPECT_THAT(err, HasSubstr("Cannot open 'missing.W'"));
}
