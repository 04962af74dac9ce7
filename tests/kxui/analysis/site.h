// A small site for the analysis tests: two firewalled gateways, a router,
// hosts, networks, nested groups, services and a rule
// base that uses negation, implied rules and a rule installed elsewhere.
#pragma once

#include "kxu/kxdir.h"
#include "kxui/analysis/load.h"
#include "kxui/objfile/objects.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace kxtest {

inline const char *kSiteSetup = R"((setup
	:actobj (
		: (accept :action (accept))
		: (drop :action (drop))
		: (reject :action (reject))
	)
	:trackobj ( : (short :macro (LOG)) )
	:targobj ( : (Src) : (Dst) : (Gateways) : (Routers) )
	:kxobj ( : (Any) )
))";

inline const char *kSiteObjects = R"((objects
	:netobj (
		: (gw :type (gateway) :ipaddr (10.0.0.1) :location (internal) :firewall (installed))
		: (gw2 :type (gateway) :ipaddr (10.0.0.2) :location (internal) :firewall (installed))
		: (rtr :type (router) :vendor (cisco) :ipaddr (10.0.0.3) :location (internal))
		: (lan :type (network) :ipaddr (10.1.0.0) :netmask (255.255.0.0) :location (internal))
		: (dmz :type (network) :ipaddr (10.2.0.0) :netmask (255.255.255.0) :location (internal))
		: (web :type (host) :ipaddr (10.2.0.10) :location (internal))
		: (mail :type (host) :ipaddr (10.2.0.25) :location (internal))
		: (pc :type (host) :ipaddr (10.1.0.7) :location (internal))
		: (outside :type (host) :ipaddr (192.0.2.9) :location (external))
		: (servers :type (group) : web : mail)
		: (all-servers :type (group) : servers)
	)
	:servobj (
		: (http :type (tcp) :port (80))
		: (www :type (tcp) :port (80))
		: (smtp :type (tcp) :port (25))
		: (dns :type (udp) :port (53))
		: (high :type (tcp) :port (">1023"))
		: (mailish :type (group) : smtp)
	)
	:props ( : (props :gatewaydir (inbound) :icmpenable (true) :domain_udp (true) :domain_udp_p ("before last")) )
))";

// Rules: 1 drop pc -> web http on gw2 only; 2 accept lan -> servers http;
// 3 drop not-lan -> Any mailish; 4 accept Any -> all-servers high (tracked);
// 5 reject Any -> Any Any on gateways and routers.
inline const char *kSiteRules = R"((Standard
	:rule ( :src ( : pc ) :dst ( : web ) :services ( : http ) :action ( : drop ) :track () :install ( : gw2 ))
	:rule ( :src ( : lan ) :dst ( : servers ) :services ( : http ) :action ( : accept ) :track () :install ( : Gateways ))
	:rule ( :src ( :op ("not in") : lan ) :dst ( : Any ) :services ( : mailish ) :action ( : drop ) :track () :install ( : Gateways ))
	:rule ( :src ( : Any ) :dst ( : all-servers ) :services ( : high ) :action ( : accept ) :track ( : short ) :install ( : Gateways ))
	:rule ( :src ( : Any ) :dst ( : Any ) :services ( : Any ) :action ( : reject ) :track () :install ( : Gateways : Routers ))
))";

class SiteTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_.write("lib/setup.C", kSiteSetup);
    dir_.write("conf/objects.C", kSiteObjects);
    dir_.write("conf/auth.C", "()\n");
    dir_.write("conf/wellfleet.C", "()\n");
    rules_path_ = dir_.write("conf/Standard.W", kSiteRules);
    saved_ = kxdir;
    kxdir = dir_.path();
    ASSERT_EQ(load_objects(nullptr), 0);
    std::string err;
    std::optional<rule_list> rules = kxan::read_rulebase(rules_path_, &err);
    ASSERT_TRUE(rules) << err;
    rules_ = std::move(*rules);
    for (const KxSetRef &r : rules_) ra_.push_back(r.get());
  }
  void TearDown() override {
    rules_.clear();
    destruct_objects();
    kxdir = saved_;
  }

  TempDir dir_;
  std::string rules_path_, saved_;
  rule_list rules_;
  rule_array ra_;
};

} // namespace kxtest
