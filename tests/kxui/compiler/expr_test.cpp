#include "expr_fixture.h"

#include "kxui/compiler/expr.h"

#include <string>

namespace {

using kxtest::member_names;

// "kind name {members}" per entry of a list table, one per line.
std::string dump_lists(const kxset *lists) {
  std::string out;
  for (int i = 0; i < lists->getnattr(); ++i)
    out += lists->getattrnamea(i).str() + " " + lists->get(i)->getname() + " {" +
           member_names(lists->get(i)) + "}\n";
  return out;
}

class Conditions : public kxtest::ObjectsFixture {
protected:
  Conditions() {
    any = obj("Any", "");
    mail = obj("mailserver", "host", {{"ipaddr", "192.9.200.10"}});
    caps = obj("Mail Server", "host", {{"ipaddr", "192.9.200.11"}});
    h1 = obj("h1", "host", {{"ipaddr", "10.1.2.3"}});
    h2 = obj("h2", "host", {{"ipaddr", "10.1.2.4"}});
    corpnet = obj("corpnet", "network", {{"ipaddr", "10.0.0.0"}});
    subnet = obj("subnet", "network", {{"ipaddr", "10.1.0.0"}, {"netmask", "255.255.0.0"}});
    bnet = obj("bnet", "network", {{"ipaddr", "172.16.0.0"}, {"broadcast", "Disallow"}});
    dom = obj(".example.com", "domain");
    gw = obj("gw", "gateway", {{"ipaddr", "192.9.200.1"}});
    iface(gw, "if-0", {{"ifname", "le"}, {"ifnum", "0"}, {"ipaddr", "192.9.200.1"}});
    gw2 = obj("gw2", "gateway", {{"ipaddr", "172.16.0.1"}});
    iface(gw2, "if-0", {{"ifname", "le0"}, {"ipaddr", "10.1.0.1"}});
    iface(gw2, "if-1", {{"ifname", "le1"}, {"ipaddr", "172.20.0.1"}});
    inner = group("inner", {h1});
    outer = group("outer", {inner});
    telnet = obj("telnet", "tcp", {{"port", "23"}});
    ftp = obj("ftp", "tcp", {{"port", "21"}});
    tftp = obj("tftp", "udp", {{"port", "69"}});
    ping = obj("ping", "icmp");
    reset_list_counter();
  }

  kxset *any, *mail, *caps, *h1, *h2, *corpnet, *subnet, *bnet, *dom, *gw, *gw2, *inner, *outer,
      *telnet, *ftp, *tftp, *ping;
  KxSetRef lists{kxset::make()}, addresses{kxset::make()}, services{kxset::make()};
};

TEST(Writing, PwordAndPwordl) {
  std::string s = "x";
  EXPECT_EQ(pword(s, nullptr, "lost"), "x");
  EXPECT_EQ(pword(pword(s, "a"), "b", "c"), "xabc");
  EXPECT_EQ(pwordl(s, nullptr, "lost"), "xabc");
  EXPECT_EQ(pwordl(s, " Mail Server\tX", "_Keep Case"), "xabc_mail_server_x_Keep Case");
}

TEST_F(Conditions, NetworkObjectConditionText) {
  struct Case {
    const char *what;
    kxset *cell;
    const char *field;
    bool sep, accept;
    const char *text, *lists;
  } cases[] = {
      {"one host, accepted", cell({mail}), "ip_dst", false, true, "(ip_dst = mailserver)", ""},
      {"two hosts", cell({h1, h2}), "ip_src", false, false, "(ip_src in host_list1)",
       "host host_list1 {h1 h2}\n"},
      {"negated natural network", cell({corpnet}, true), "ip_src", false, true,
       "(netof ip_src != corpnet)", ""},
      {"non-standard mask", cell({subnet}), "ip_dst", false, true,
       "(net_in(ip_dst, subnet, subnet_netmask))", ""},
      {"host and network", cell({mail, corpnet}), "ip_src", false, true,
       "(ip_src = mailserver or netof ip_src = corpnet)", ""},
      {"negated host and masked network", cell({h1, subnet}, true), "ip_src", false, false,
       "(ip_src != h1 and net_notin(ip_src, subnet, subnet_netmask))", ""},
      {"accepted, broadcast disallowed", cell({bnet}), "ip_dst", false, true,
       "(netof ip_dst = bnet, ip_dst not in broadcast_list1)",
       "broadcast broadcast_list1 {bnet bnet|~bnet_netmask}\n"},
      {"negated, not accepted: broadcast or-form", cell({bnet}, true), "ip_src", false, false,
       "(netof ip_src != bnet or ip_src in broadcast_list1)",
       "broadcast broadcast_list1 {bnet bnet|~bnet_netmask}\n"},
      {"positive, not accepted: no broadcast", cell({bnet}), "ip_src", false, false,
       "(netof ip_src = bnet)", ""},
      {"negated, accepted: no broadcast", cell({bnet}, true), "ip_src", false, true,
       "(netof ip_src != bnet)", ""},
      {"Any", cell({any, h1}), "ip_src", true, true, "", ""},
      {"separator", cell({mail}), "ip_src", true, false, ",\n\t\t(ip_src = mailserver)", ""},
      {"capitals and blanks", cell({caps}), "ip_src", false, false, "(ip_src = mail_server)", ""},
      {"domain", cell({dom}), "ip_src", false, false, "(ip_src in .example.com)", ""},
      {"negated domain", cell({dom}, true), "ip_src", false, false,
       "(ip_src not in .example.com)", ""},
      {"group in a group", cell({outer}), "ip_src", false, false, "(ip_src = h1)", ""},
      {"interface with the own address", cell({gw}), "ip_src", false, false, "(ip_src = gw)",
       ""},
      {"gateway with interfaces", cell({gw2}), "ip_dst", false, false,
       "(ip_dst in gateway_list1)", "gateway gateway_list1 {gw2 gw2-le0 gw2-le1}\n"},
      {"empty cell", cell({}), "ip_src", true, true, "", ""},
  };
  for (const Case &c : cases) {
    KxSetRef table(kxset::make());
    reset_list_counter();
    std::string text;
    EXPECT_TRUE(gen_netobj(text, c.field, c.cell, table.get(), addresses.get(), c.sep, c.accept,
                           true));
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_EQ(dump_lists(table.get()), c.lists) << c.what;
  }
  EXPECT_TRUE(reports_.notices.empty());
}

TEST_F(Conditions, EqualListsAreReusedPerKind) {
  kxset *gh1 = obj("h1", "gateway", {{"ipaddr", "10.9.0.1"}});
  kxset *gh2 = obj("h2", "gateway", {{"ipaddr", "10.9.0.2"}});
  const char *expect[] = {"(ip_src in host_list1)", "(ip_src in host_list1)",
                          "(ip_src in gateway_list2)", "(ip_src in host_list3)",
                          "(ip_src in host_list1)"};
  kxset *cells[] = {cell({h1, h2}), cell({h2, h1}), cell({gh1, gh2}), cell({h1, h2, mail}),
                    cell({inner, h2})};
  for (size_t i = 0; i < 5; ++i) {
    std::string text;
    gen_netobj(text, "ip_src", cells[i], lists.get(), addresses.get(), false, false, true);
    EXPECT_EQ(text, expect[i]) << i;
  }
  EXPECT_EQ(dump_lists(lists.get()), "host host_list1 {h1 h2}\n"
                                     "gateway gateway_list2 {h1 h2}\n"
                                     "host host_list3 {h1 h2 mailserver}\n");
  EXPECT_EQ(list_counter(), 3);
  EXPECT_EQ(new_list_name("target"), "target_list4");
}

// Tables filled partly by other writers: lookups see every entry appended in
// between, keep the first of equal lists, and survive entries taken out.
TEST_F(Conditions, LookupsFollowTablesChangedByOthers) {
  kxset *hh = cell({h1, h2}), *hh2 = cell({h1, h2}), *hm = cell({h1, mail}),
        *hhh = cell({h1, h2, h2});
  hm->setname(KxAtom("mail_pair"));
  lists->append(KxAtom("host"), hh);
  EXPECT_EQ(find_equal_list(lists.get(), "host", cell({h2, h1})), hh);
  lists->append(KxAtom("host"), hh2);
  lists->append(KxAtom("host"), hm);
  lists->append(KxAtom("host"), hhh);
  struct Case {
    const char *what, *kind;
    kxset *members, *found;
  } cases[] = {
      {"first of two equal lists", "host", cell({h1, h2}), hh},
      {"appended after a lookup", "host", cell({mail, h1}), hm},
      {"other kind", "gateway", cell({h1, h2}), nullptr},
      {"unknown kind", "no such kind here", cell({h1, h2}), nullptr},
      {"same names, other count", "host", cell({h1, h2, mail}), nullptr},
      {"same count and names, repeats differ", "host", cell({h1, h1, h2}), hhh},
  };
  for (const Case &c : cases)
    EXPECT_EQ(find_equal_list(lists.get(), c.kind, c.members), c.found) << c.what;
  lists->remove(0);
  EXPECT_EQ(find_equal_list(lists.get(), "host", cell({h1, h2})), hh2);
  EXPECT_EQ(gen_list_name(lists.get(), "host", cell({mail, h1})), "mail_pair");

  addresses->append(KxAtom::null(), h1);
  EXPECT_FALSE(used_add(addresses.get(), h1));
  EXPECT_TRUE(used_add(addresses.get(), h2));
  addresses->append(KxAtom::null(), mail);
  EXPECT_FALSE(used_add(addresses.get(), mail));
  addresses->remove(0);
  EXPECT_TRUE(used_add(addresses.get(), h1));
  EXPECT_EQ(member_names(addresses.get()), "h2 mailserver h1");
}

TEST_F(Conditions, UsedAddressesHoldEachObjectOnce) {
  std::string text;
  gen_netobj(text, "ip_src", cell({gw2, h1}), lists.get(), addresses.get(), false, false, true);
  gen_netobj(text, "ip_dst", cell({outer, gw2}), lists.get(), addresses.get(), false, false, true);
  EXPECT_EQ(member_names(addresses.get()), "h1 gw2 gw2-le0 gw2-le1");
}

TEST_F(Conditions, DomainsRefusedForAntiSpoofing) {
  std::string text = "drop ", domain;
  EXPECT_FALSE(gen_netobj(text, "ip_src", cell({h1, dom, obj(".other.com", "domain")}),
                          lists.get(), addresses.get(), false, false, false, &domain));
  EXPECT_EQ(text, "drop ");
  EXPECT_EQ(domain, ".example.com");
  EXPECT_EQ(member_names(addresses.get()), "");
  EXPECT_TRUE(gen_netobj(text, "ip_src", cell({h1}), lists.get(), addresses.get(), false, false,
                         false, &domain));
}

TEST_F(Conditions, ServiceConditionText) {
  kxset *web = group("web", {ftp, telnet});
  struct Case {
    kxset *cell;
    const char *text;
  } cases[] = {
      {cell({telnet, ftp, tftp}), "(tcp, telnet or ftp) or (udp, tftp)"},
      {cell({telnet, ftp, tftp}, true), "not (tcp, telnet or ftp) and not (udp, tftp)"},
      {cell({ping, web}), "(tcp, ftp or telnet) or (icmp, ping)"},
      {cell({any, telnet}), ""},
      {cell({}, true), ""},
  };
  for (const Case &c : cases) {
    std::string text;
    gen_rule_services(text, c.cell, services.get());
    EXPECT_EQ(text, c.text);
  }
  EXPECT_EQ(member_names(services.get()), "telnet ftp tftp ping");
}

TEST_F(Conditions, InterfaceObjectsAndTheirReports) {
  kxset *gwd = obj("gwd", "gateway", {{"ipaddr", "10.0.0.1"}});
  iface(gwd, "if-0", {{"ifname", "le0"}, {"ipaddr", "10.0.0.1"}}); // own address: silent
  iface(gwd, "if-1", {{"ifname", "le1"}, {"ipaddr", "10.0.0.1"}}); // again: reported, kept
  iface(gwd, "if-2", {{"ifname", "le2"}, {"ipaddr", "10.0.0.5"}});
  iface(gwd, "if-3", {{"ifname", "le3"}, {"ipaddr", "10.0.0.5"}}); // reported, left out
  iface(gwd, "if-4", {{"ipaddr", "10.0.0.6"}});                    // no name
  iface(gwd, "if-5", {{"ifname", "qe"}});                          // no address
  kxset *full = iface(gwd, "if-6", {{"iffullname", "hme0"}, {"ipaddr", "10.0.0.9"}});
  iface(gwd, "if-12", {{"ifname", "past"}, {"ipaddr", "10.0.0.12"}}); // beyond the 12 slots

  KxSetRef types(type_gen_netobj());
  span_listobj(types.get(), gwd);
  span_listobj(types.get(), gwd);
  EXPECT_EQ(member_names(types->get(1)), "gwd gwd-le1 gwd-le2 gwd-hme0");
  EXPECT_EQ(reports_.notices, (std::vector<std::string>{
                                "'gwd' interface 'gwd-le1' IP 10.0.0.1: Duplicate address",
                                "'gwd' interface 'gwd-le3' IP 10.0.0.5: Duplicate address",
                                "object gwd if# 4 no name or number!\n",
                            }));
  EXPECT_STREQ(full->get(KxAtom("ifname"))->getname(), "hme0");
  kxset *le1 = types->get(1)->get(1);
  EXPECT_STREQ(le1->get(KxAtom("type"))->getname(), "hostif");
}

TEST_F(Conditions, InterfaceAsNetwork) {
  kxset *i = iface(gw, "if-1", {{"ifname", "qe0"}, {"ipaddr", "10.1.2.3"}, {"netmask", "255.255.255.0"}});
  bool created = false;
  KxSetRef net(makeifobj(gw, i, addresses.get(), true, &created));
  ASSERT_TRUE(net);
  EXPECT_TRUE(created);
  EXPECT_STREQ(net->getname(), "gw-net-qe0");
  EXPECT_EQ(obj_netname(net.get(), 0), "10.1.2.0, 255.255.255.0");
  used_add(addresses.get(), net.get());
  EXPECT_EQ(makeifobj(gw, i, addresses.get(), true, &created), net.get());
  EXPECT_FALSE(created);
  KxSetRef unnamed(kxset::make());
  EXPECT_EQ(makeifobj(gw, unnamed.get(), addresses.get(), true, &created), nullptr);
}

TEST_F(Conditions, AddressDefinitionValues) {
  EXPECT_EQ(obj_netname(subnet, 0), "10.1.0.0, 255.255.0.0");
  EXPECT_EQ(obj_netname(obj("hostbits", "network", {{"ipaddr", "10.1.2.3"}, {"netmask", "255.255.0.0"}}), 0),
            "10.1.0.0, 255.255.0.0");
  EXPECT_EQ(obj_netname(mail, 0), "192.9.200.10");
  EXPECT_EQ(obj_netname(dom, 0), ".example.com");
  EXPECT_EQ(obj_netname(any, 0), std::nullopt);
}

} // namespace
