#include "expr_fixture.h"

#include "kxui/compiler/addr.h"
#include "kxui/compiler/algebra.h"
#include "kxui/compiler/cellform.h"
#include "kxui/objfile/objects.h"

#include <cerrno>

namespace {

using kxtest::member_names;

// Networks, hosts with and without interfaces, domains, services and groups
// (one of them reaching itself through a sub-group).
class World : public kxtest::ObjectsFixture {
protected:
  World() {
    any = obj("Any", "");
    corpnet = obj("corpnet", "network", {{"ipaddr", "10.0.0.0"}, {"netmask", "255.0.0.0"}});
    subnet = obj("subnet", "network", {{"ipaddr", "10.1.0.0"}, {"netmask", "255.255.0.0"}});
    othernet = obj("othernet", "net", {{"ipaddr", "192.168.1.0"}});
    h1 = obj("h1", "host", {{"ipaddr", "10.1.2.3"}});
    h2 = obj("h2", "host", {{"ipaddr", "192.168.1.5"}});
    h3 = obj("h3", "host", {{"ipaddr", "10.2.0.1"}});
    gw = obj("gw", "gateway", {{"ipaddr", "172.16.0.1"}});
    iface(gw, "if-0", {{"ifname", "le"}, {"ifnum", "0"}, {"ipaddr", "10.1.0.1"}});
    iface(gw, "if-1", {{"ifname", "le"}, {"ifnum", "1"}, {"ipaddr", "172.16.0.1"}});
    far = obj("far", "host", {{"ipaddr", "172.20.0.9"}});
    iface(far, "if-0", {{"ifname", "qe0"}, {"ipaddr", "192.168.1.7"}});
    twin = obj("twin", "host", {{"ipaddr", "10.9.9.9"}});
    iface(twin, "if-0", {{"ifname", "e0"}, {"ipaddr", "172.16.0.1"}});
    ifobj = obj("x-le0", "hostif", {{"ipaddr", "10.1.0.1"}});
    ghost = obj("ghost", "host");
    named = obj("namedhost", "host");
    dom1 = obj(".example.com", "domain");
    dom2 = obj("eng.example.com", "domain");
    dom3 = obj("xexample.com", "domain");
    telnet = obj("telnet", "tcp", {{"port", "23"}});
    ftp = obj("ftp", "tcp", {{"port", "21"}});
    tftp = obj("tftp", "udp", {{"port", "69"}});
    ping = obj("ping", "icmp", {{"port", "8"}});
    xserv = obj("xserv", "other", {{"exp", "ip_p = 99"}});
    grpA = group("grpA", {h1, h2});
    grpB = group("grpB", {grpA, gw});
    loopg = group("loopg", {h3});
    loopsub = group("loopsub", {loopg, far});
    loopg->append(KxAtom::null(), loopsub);
    emptyg = group("emptyg", {});
  }
  ~World() override {
    for (int i = 0; i < loopg->getnattr(); ++i) // break the loop so the sets go
      if (loopg->get(i) == loopsub) loopg->remove(i);
  }

  kxset *any, *corpnet, *subnet, *othernet, *h1, *h2, *h3, *gw, *far, *twin, *ifobj, *ghost, *named, *dom1,
      *dom2, *dom3, *telnet, *ftp, *tftp, *ping, *xserv, *grpA, *grpB, *loopg, *loopsub, *emptyg;
};

TEST(DomainIn, SubdomainLiesWithinItsParent) {
  struct Case {
    const char *a, *b;
    bool in;
  } cases[] = {
      {"eng.example.com", ".example.com", true},
      {"eng.example.com", "example.com", true},
      {".eng.example.com", "example.com.", true},
      {"EXAMPLE.com", ".example.COM", true},
      {".example.com", "eng.example.com", false},
      {"xexample.com", "example.com", false},
      {"example.com", "", false},
      {".", "com", false},
  };
  for (const Case &c : cases) EXPECT_EQ(domain_in(c.a, c.b), c.in) << c.a << " in " << c.b;
}

TEST_F(World, ElementRelations) {
  struct Case {
    kxset *a, *b;
    int in;
  } cases[] = {
      {h1, subnet, 1},     {h1, corpnet, 1},    {subnet, corpnet, 1}, {corpnet, subnet, 0},
      {h2, corpnet, 0},    {h2, othernet, 1},   {h3, subnet, 0},      {h1, h1, 1},
      {h1, h2, 0},         {h1, any, 1},        {any, h1, 0},         {ghost, corpnet, 0},
      {named, subnet, 1},  // address from the name service
      {gw, subnet, 1},     // through its interface le0
      {far, othernet, 1},  // its own address is elsewhere
      {far, corpnet, 0},   {corpnet, gw, 0},
      {dom2, dom1, 1},     {dom1, dom2, 0},     {dom3, dom1, 0},      {h1, dom1, 0},
      {dom1, corpnet, 0},  {telnet, telnet, 1}, {telnet, ftp, 0},     {xserv, xserv, 1},
      {h1, grpA, 1},       {h3, grpA, 0},       {grpA, grpB, 1},      {grpB, grpA, 0},
      {h1, emptyg, 1},     // a group without members contains everything
      {far, loopg, 1},     {h1, loopg, 0},      {loopg, loopsub, 1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(element_in(c.a, c.b), c.in) << c.a->getname() << " in " << c.b->getname();
}

TEST_F(World, HostInterfaceAgainstInterfacesOfTheOther) {
  // An interface object lies within a node that has an interface of exactly
  // its address; a node lies within a node through one of its interfaces.
  EXPECT_EQ(netobj_in(ifobj, gw), 1);
  EXPECT_EQ(netobj_in(twin, gw), 1);
  EXPECT_EQ(netobj_in(gw, twin), 1);
  // A node's own address is not compared with the other's interfaces.
  kxset *plain = obj("plain", "host", {{"ipaddr", "10.5.5.5"}});
  kxset *multi = obj("multi", "host", {{"ipaddr", "10.6.6.6"}});
  iface(multi, "if-0", {{"ifname", "e0"}, {"ipaddr", "10.5.5.5"}});
  EXPECT_EQ(netobj_in(multi, plain), 1);
  EXPECT_EQ(netobj_in(plain, multi), 0);
}

TEST_F(World, CellRelations) {
  EXPECT_EQ(grp_contained(cell({h1, h2}), cell({grpA})), 1);
  EXPECT_EQ(grp_contained(cell({h1, h3}), cell({grpA})), 0);
  EXPECT_EQ(grp_contained(cell({}), cell({h1})), 1);
  EXPECT_EQ(grp_contained(cell({h1}), cell({})), 0);
  EXPECT_EQ(grp_intersec(cell({grpA}), cell({h2})), 1);
  EXPECT_EQ(grp_intersec(cell({h1}), cell({subnet})), 1);
  EXPECT_EQ(grp_intersec(cell({telnet}), cell({ftp, tftp})), 0);
  EXPECT_EQ(list_do_intersec(cell({telnet}), cell({any})), 1);
  EXPECT_EQ(kxobj_do_intersec(cell({h3}), cell({grpA})), 0);
  EXPECT_EQ(grp_in(loopsub, cell({h3, far})), 1);
}

TEST_F(World, ListIntersec) {
  kxset *universe = cell({any, corpnet, subnet, othernet, h1, h2, gw, grpA});
  struct Case {
    kxset *a, *b;
    const char *common;
  } cases[] = {
      {cell({any}), cell({h1}, true), "othernet h2 gw"},
      {cell({h1}, true), cell({any}), "othernet h2 gw"},
      {cell({any}), cell({h1, gw}), "h1 gw"},
      {cell({grpA, gw}), cell({corpnet}), "h1 gw"},
      {cell({corpnet}), cell({grpA}), "corpnet"},
      {cell({grpA, othernet}), cell({h2}, true), "h1"},
      {cell({h2}, true), cell({grpA, othernet}), "h1"},
      {cell({h1}, true), cell({h2}, true), "gw"},
      {cell({telnet, ftp}), cell({ftp, tftp}), "ftp"},
  };
  for (const Case &c : cases) {
    KxSetRef r(list_intersec(universe, c.a, c.b));
    EXPECT_EQ(member_names(r.get()), c.common);
  }
}

TEST_F(World, LoopsOfDefaultSetsEnd) {
  // Two empty groups whose "default" sets name each other.
  kxset *d1 = group("d1", {});
  kxset *d2 = group("d2", {});
  d1->set(KxAtom("default"), d2);
  d2->set(KxAtom("default"), d1);
  EXPECT_EQ(element_in(h1, d1), 0);
  EXPECT_EQ(grp_contained(cell({h1}), cell({d1})), 0);
  EXPECT_EQ(grp_intersec(cell({d1}), cell({h1})), 0);
  kxcomp::FormCache cache(table_.get());
  EXPECT_FALSE(kxcomp::form_contained(cache.form(cell({h1})), cache.form(cell({d1}))));
  EXPECT_TRUE(set_nomember(d1));
  d1->remove(KxAtom("default")); // let the sets go
}

TEST_F(World, ListIntersecTerminatesWhenTheUniverseBeginsWithAny) {
  // Reading the universe as an Any cell would resolve the negated cell
  // against itself for ever.
  KxSetRef r(list_intersec(table_.get(), cell({any}), cell({h1, corpnet, dom1}, true)));
  EXPECT_EQ(member_names(r.get()).substr(0, 11), "othernet h2");
}

// The precomputed forms answer exactly as the set relations, for every pair
// of a collection of cells.
TEST_F(World, FormsAgreeWithTheSetRelations) {
  std::vector<kxset *> objs = {corpnet, subnet, othernet, h1,    h2,     h3,   gw,
                               far,     twin,   ifobj,    ghost, named,  dom1, dom2,
                               dom3,    telnet, ftp,      ping,  xserv,  grpA, grpB,
                               loopg,   emptyg};
  std::vector<kxset *> cells;
  for (kxset *o : objs) cells.push_back(cell({o}));
  cells.push_back(cell({h1, h2}));
  cells.push_back(cell({h3, far, dom2}));
  cells.push_back(cell({telnet, ftp, tftp}));
  cells.push_back(cell({emptyg, h2}));
  cells.push_back(cell({}));
  const size_t positive = cells.size();
  cells.push_back(cell({any}));
  for (size_t i = 0; i < positive; i += 3) cells.push_back(cell({objs[i % objs.size()]}, true));
  cells.push_back(cell({grpA, far}, true));

  kxcomp::FormCache cache(table_.get());
  for (kxset *a : cells)
    for (kxset *b : cells) {
      const auto &fa = cache.form(a), &fb = cache.form(b);
      std::string what = member_names(a) + (obj_isnot(a) ? "(not)" : "") + " / " +
                         member_names(b) + (obj_isnot(b) ? "(not)" : "");
      if (!obj_isnot(a) && !obj_isnot(b) && !cell_isany(a) && !cell_isany(b)) {
        EXPECT_EQ(kxcomp::form_contained(fa, fb), grp_contained(a, b) != 0) << what;
      }
      EXPECT_EQ(kxcomp::form_overlap(fa, fb), list_do_intersec(a, b) != 0) << what;
      KxSetRef common(list_intersec(table_.get(), a, b));
      std::vector<const kxset *> expect;
      for (int i = 0; i < common->getnattr(); ++i) expect.push_back(common->get(i));
      EXPECT_EQ(kxcomp::form_common(fa, fb), expect) << what;
      EXPECT_EQ(kxcomp::form_have_common(fa, fb), !expect.empty()) << what;
    }
}

TEST_F(World, FormContainmentWithAnyAndNegation) {
  kxcomp::FormCache cache(table_.get());
  auto in = [&](kxset *a, kxset *b) {
    return kxcomp::form_contained(cache.form(a), cache.form(b));
  };
  kxset *anyc = cell({any});
  EXPECT_TRUE(in(cell({h1}), anyc));
  EXPECT_TRUE(in(anyc, anyc));
  EXPECT_FALSE(in(anyc, cell({h1})));
  EXPECT_TRUE(in(anyc, cell({emptyg})));
  EXPECT_TRUE(in(cell({h2}), cell({corpnet}, true)));
  EXPECT_FALSE(in(cell({h1}), cell({corpnet}, true)));
  EXPECT_TRUE(in(cell({corpnet}, true), cell({subnet}, true)));
  EXPECT_FALSE(in(cell({subnet}, true), cell({corpnet}, true))); // h3 lies between
  EXPECT_FALSE(in(anyc, cell({h1}, true)));
}

TEST_F(World, FormCommonLeavesOutSkippedKinds) {
  kxcomp::FormCache cache(table_.get());
  const auto &a = cache.form(cell({telnet, ping, xserv}));
  const auto &b = cache.form(cell({ping, xserv, telnet, ftp}));
  auto skip = kxcomp::kind_bit(kxcomp::Kind::icmp) | kxcomp::kind_bit(kxcomp::Kind::other);
  EXPECT_EQ(kxcomp::form_common(a, b, skip), std::vector<const kxset *>{telnet});
  EXPECT_FALSE(kxcomp::form_have_common(cache.form(cell({ping})), b, skip));
}

// ------------------------------------------------------------- accessors

TEST(Addresses, NaturalMasksAndText) {
  struct Case {
    uint32_t addr, mask;
  } cases[] = {{0x0a010203, 0xff000000}, {0xac100001, 0xffff0000},
               {0xc0a80101, 0xffffff00}, {0xe0000001, 0xe0000001}};
  for (const Case &c : cases) EXPECT_EQ(natural_netmask(c.addr), c.mask) << iptoa(c.addr);
  EXPECT_EQ(iptoa(0xc0a80105), "192.168.1.5");
  EXPECT_EQ(praddr(0), "0.0.0.0");
  uint32_t v = 0;
  for (const char *bad : {"10.1.2", "10.1.2.256", "1.2.3.4.5", "10..2.3", "a.b.c.d", "1.2.3.4x"})
    EXPECT_FALSE(kxcomp::parse_dotted_quad(bad, &v)) << bad;
  EXPECT_TRUE(isnull(nullptr));
  EXPECT_TRUE(isnull(" \t"));
  EXPECT_FALSE(isnull(" x"));
  EXPECT_TRUE(isall("ANY"));
  EXPECT_FALSE(isall("anything"));
}

TEST_F(World, ObjectAddressesMasksAndReports) {
  EXPECT_EQ(obj_netaddr_n(h1, 1), 0x0a010203u);
  EXPECT_EQ(obj_netaddr(named, 1), "10.1.9.9");
  EXPECT_EQ(obj_netaddr(dom1, 1), ".example.com");
  EXPECT_EQ(obj_netmask(subnet, 1), "255.255.0.0");
  EXPECT_EQ(obj_netmask(othernet, 1), "255.255.255.0");
  EXPECT_EQ(obj_netmask_n(gw, 1), KX_NOADDR);
  EXPECT_EQ(obj_netmask(obj("zero", "network", {{"ipaddr", "172.16.0.0"}, {"netmask", "0.0.0.0"}}), 0),
            "255.255.0.0");
  EXPECT_EQ(element_type(h1), std::string("host"));
  EXPECT_EQ(element_type(any), std::string("notype"));

  kxset *bad = obj("bad", "host", {{"ipaddr", "10.1.2.300"}});
  kxset *byname = obj("byname", "host", {{"ipaddr", "nowhere"}});
  EXPECT_EQ(obj_netaddr_n(bad, 0), KX_NOADDR);
  EXPECT_EQ(obj_netaddr_n(byname, 0), KX_NOADDR);
  EXPECT_TRUE(reports_.notices.empty());
  EXPECT_EQ(obj_netaddr(bad, 1), "");
  EXPECT_EQ(obj_netaddr_n(byname, -1), KX_NOADDR); // negative: no lookup report
  EXPECT_EQ(obj_netaddr_n(byname, 1), KX_NOADDR);
  EXPECT_EQ(reports_.notices, (std::vector<std::string>{"bad: Badly formed IP address 10.1.2.300",
                                                      "Cannot get address for 'nowhere'"}));
}

TEST_F(World, HostAddressLookups) {
  EXPECT_EQ(objhostaddr("h1", table_.get()), 0x0a010203u);
  EXPECT_EQ(objhostaddr("ghost", table_.get()), 0u); // in the table, without address
  EXPECT_EQ(objhostaddr("namedhost", nullptr), 0x0a010909u);
  EXPECT_EQ(objhostip("nowhere", table_.get()), "");
  EXPECT_EQ(objhostaddrs("gw", table_.get()),
            (std::vector<uint32_t>{0xac100001, 0x0a010001, 0xac100001}));
  EXPECT_EQ(objhostaddrs("namedhost", nullptr), std::vector<uint32_t>{0x0a010909});

  kxset *saved = kx_netobj;
  kx_netobj = table_.get();
  EXPECT_EQ(kxhostaddr("192.168.1.5"), 0xc0a80105u);
  EXPECT_EQ(kxhostaddr("h2"), 0xc0a80105u);
  errno = 0;
  EXPECT_EQ(kxhostaddr("nowhere"), KX_NOADDR);
  EXPECT_EQ(errno, ENOENT);
  kx_netobj = saved;
}

TEST_F(World, ServicePorts) {
  struct Case {
    kxset *service;
    std::optional<std::string> text;
    long number;
  } cases[] = {
      {telnet, "23", 23},
      {obj("x11", "tcp", {{"port", "6000-6063"}}), "6000-6063", 6000},
      {obj("o1", "other", {{"exp", "ip_p = 47"}}), "ip_p = 47", -1},
      {obj("o2", "other", {{"exp", "a, b"}}), "(a, b)", -1},
      {obj("smtp", "tcp"), "25", 25},                  // looked up
      {obj("smtp", "tcp", {{"port", ""}}), "25", 25},  // empty port: looked up
      {obj("blank", "other", {{"port", ""}, {"exp", "x"}}), std::nullopt, -1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(obj_port(c.service, 0), c.text) << c.service->getname();
    EXPECT_EQ(obj_port_n(c.service, 0), c.number) << c.service->getname();
  }
  EXPECT_TRUE(reports_.notices.empty());
  EXPECT_EQ(obj_port(obj("mystery", "udp"), 1), std::nullopt);
  EXPECT_EQ(reports_.notices, std::vector<std::string>{"Unknown service 'mystery'"});
}

} // namespace
