// A generated policy of many hosts, networks, groups and services, compiled
// for a router with a "this" and a "default" interface: every line must be
// a valid access-list command.
#include "kxui/kxcisco/cisco.h"

#include "kxui/kxcisco/ios_grammar.h"
#include "kxui/kxcisco/policy_text.h"
#include "kxui/kxcisco/router_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace kxtest;

namespace {

struct Generated {
  std::string objects, rules;
};

Generated generate_policy(int nrules, unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string net, srv;
  std::vector<std::string> addrs, services;
  for (int i = 0; i < 40; ++i) {
    std::string n = "n" + std::to_string(i);
    net += " : (" + n + " :type (network) :ipaddr (10." + std::to_string(1 + i) +
           ".0.0) :netmask (255.255." + (i % 2 ? "255" : "0") + ".0))\n";
    addrs.push_back(n);
  }
  std::vector<std::string> hosts;
  for (int i = 0; i < nrules; ++i) {
    std::string h = "h" + std::to_string(i);
    hosts.push_back(h);
    std::string a = i % 2 ? "10." + std::to_string(1 + i % 40) + ".0." + std::to_string(2 + i / 40)
                          : "198.18." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
    net += " : (" + h + " :type (host) :ipaddr (" + a + "))\n";
    addrs.push_back(h);
  }
  for (int i = 0; i < 20; ++i) {
    std::string g = "g" + std::to_string(i);
    net += " : (" + g + " :type (group)";
    for (int k = 0; k < 3; ++k) net += " : " + addrs[static_cast<size_t>(pick(static_cast<int>(addrs.size())))];
    net += ")\n";
    addrs.push_back(g);
  }
  const char *ports[] = {"25", "\">1023\"", "\"<1024\"", "53", "8080"};
  for (int i = 0; i < 30; ++i) {
    std::string s = "s" + std::to_string(i);
    const char *type = i % 3 == 0 ? "udp" : "tcp";
    srv += " : (" + s + " :type (" + type + ") :port (" + ports[i % 5] + "))\n";
    services.push_back(s);
  }
  srv += " : (icmp :type (icmp))\n";
  services.push_back("icmp");
  RouterSetup r;
  r.name = "rtr";
  r.ipaddr = "10.0.0.1";
  r.spoof_dir = "inbound";
  r.ifaces = {iface("if0", "ethernet", "0", "10.0.0.1", "255.0.0.0", "(x :access (this))"),
              iface("if1", "serial", "1", "192.0.2.1", "255.255.255.0", "(x :access (default))")};
  Generated g{objects(net + router(r), srv), ""};
  std::vector<RuleCells> rules;
  auto items = [&](int any_pct, const std::vector<std::string> &from) {
    if (pick(100) < any_pct) return std::string("Any");
    std::string s;
    for (int k = 0, n = 1 + pick(3); k < n; ++k) s += (k ? " " : "") + from[static_cast<size_t>(pick(static_cast<int>(from.size())))];
    return s;
  };
  for (int i = 0; i < nrules; ++i) {
    RuleCells rs;
    rs.src = items(10, addrs);
    // A destination of its own keeps every rule clear of the earlier ones.
    rs.dst = hosts[static_cast<size_t>(i)];
    rs.services = items(10, services);
    rs.action = pick(10) < 7 ? "accept" : "drop";
    if (rs.services.find(' ') == std::string::npos && pick(10) == 0) rs.srv_op = "not in";
    rules.push_back(rs);
  }
  g.rules = rulebase(rules);
  return g;
}

} // namespace

TEST(CiscoLargePolicy, EveryLineIsAnAccessListCommand) {
  Generated g = generate_policy(400, 7);
  RouterPolicy p(g.objects);
  rule_list rules = p.rules(g.rules);
  ASSERT_EQ(rules.size(), 400u);
  CollectReports m;
  kxu::ScopedFrontEnd fe(&m);
  const char *text = cisco_rulebase(rules, nullptr, 1);
  ASSERT_NE(text, nullptr) << m.joined();
  std::string out = text;
  EXPECT_GT(std::count(out.begin(), out.end(), '\n'), 1000);
  EXPECT_THAT(ios_bad_lines(out), ::testing::IsEmpty());
  EXPECT_THAT(out, ::testing::HasSubstr("access-list 103 deny ip 10.0.0.0 0.255.255.255 "
                                        "0.0.0.0 255.255.255.255 \n"));
}
