// The object layer: property access, predicates, matching, group walking
// (also through membership loops), merging and the host lists.
#include "kxui/obj/firewalled.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include "kxset/sio.h"
#include "kxu/report.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Collects reports instead of printing them.
KxSetRef parse(const char *text) {
  kxset *s = sio_sread(text);
  EXPECT_EQ(sio_errno(), 0) << sio_messages();
  return KxSetRef(s);
}

// A network objects table made current as kx_netobj for one test.
class NetobjTest : public ::testing::Test {
protected:
  void use(const char *text) {
    table_ = parse(text);
    kx_netobj = table_.get();
    holder_ = KxSetRef(kxset::make());
    holder_->set(KxAtom("netobj"), table_.get());
  }
  void TearDown() override {
    kx_netobj = nullptr;
    kx_resethosts();
  }
  // A dictionary that knows the table's objects by name.
  kxset *table_holder() { return holder_.get(); }
  kxset *obj(const char *name) { return kxobj_obj(kx_netobj, name); }

  KxSetRef table_, holder_;
  kxtest::CollectReports capture_;
  kxu::ScopedFrontEnd fe_{&capture_};
};

const char *kSite = R"((
	: (gw :type (gateway) :ipaddr (10.0.0.1) :location (internal) :firewall (installed)
		:if-0 (le0 :ifname (le0) :ipaddr (192.168.1.1) :netmask (255.255.255.0)))
	: (extgw :type (gateway) :ipaddr (1.2.3.4) :location (external) :firewall (installed))
	: (fwhost :type (host) :ipaddr (10.0.0.5) :firewall (installed))
	: (plain :type (host) :ipaddr (10.0.0.6) :location (internal) :firewall ("not installed"))
	: (lan :type (network) :ipaddr (192.168.1.0) :netmask (255.255.255.0))
	: (c1 :type (router) :ipaddr (10.0.0.254) :vendor (cisco) :location (internal))
	: (w1 :type (router) :ipaddr (10.0.0.253) :vendor (Wellfleet))
	: (r0 :type (router) :ipaddr (10.0.0.252))
	: (rx :type (router) :vendor (cisco) :location (external))
	: (inner :type (group) : plain : fwhost)
	: (outer :type (group) : inner : gw)
))";

TEST(KxobjProps, GetPutRemoveAndNumbers) {
  KxSetRef o(kxobj_gen("h", {{"type", "host"}, {"port", KXOBJ_INT, 25}, {"mask", KXOBJ_HEX, 255}}));
  ASSERT_TRUE(o);
  EXPECT_STREQ(kxobj_get(o.get(), "color"), "");
  EXPECT_STREQ(kxobj_get(nullptr, "color"), "");
  EXPECT_STREQ(kxobj_get(o.get(), nullptr), "h");
  EXPECT_STREQ(kxobj_type(o.get()), "host");
  EXPECT_STREQ(kxobj_get(o.get(), "mask"), "0x000000ff");
  kxobj_put(o.get(), "type", "gateway");
  EXPECT_EQ(o->getnattr(), 3) << "put replaces, never appends a second type";
  EXPECT_STREQ(kxobj_type(o.get()), "gateway");
  kxobj_put(o.get(), nullptr, "renamed");
  EXPECT_STREQ(kxobj_name(o.get()), "renamed");
  EXPECT_EQ(kxobj_remove(o.get(), "mask"), 0);
  EXPECT_EQ(kxobj_remove(o.get(), "mask"), -1);
  EXPECT_EQ(kxobj_item_put(o.get(), {"x", static_cast<const char *>(nullptr)}), nullptr);

  struct Case {
    const char *text;
    int ok;
    long value;
  } cases[] = {{"12", 1, 12}, {"0x10", 1, 16}, {"010", 1, 8}, {"-3", 1, -3},
               {"", 0, 0},    {"abc", 0, 0},   {"12abc", 0, 0}};
  for (const Case &c : cases) {
    kxobj_put(o.get(), "n", c.text);
    long v = 0;
    EXPECT_EQ(kxobj_getint(o.get(), "n", &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  unsigned long u = 0;
  kxobj_put(o.get(), "n", "-1");
  EXPECT_EQ(kxobj_getuint(o.get(), "n", &u), 0);
  EXPECT_EQ(kxobj_getint(o.get(), "missing", nullptr), 0);

  kxobj_putopaque(o.get(), "w", 0xdeadbeefu);
  EXPECT_EQ(kxobj_getopaque(o.get(), "w"), 0xdeadbeefu);
}

TEST(KxobjPredicates, Table) {
  struct Case {
    const char *text;
    int node, net, domain, group, usergroup, internal, firewalled, any;
  } cases[] = {
      {"(h :type (host))", 1, 0, 0, 0, 0, 0, 0, 0},
      {"(g :type (Gateway) :location (Internal) :firewall (INSTALLED))", 1, 0, 0, 0, 0, 1, 1, 0},
      {"(r :type (router) :firewall (\"not installed\"))", 1, 0, 0, 0, 0, 0, 0, 0},
      {"(n :type (net))", 0, 1, 0, 0, 0, 0, 0, 0},
      {"(n :type (network) :location (external))", 0, 1, 0, 0, 0, 0, 0, 0},
      {"(.d :type (domain))", 0, 0, 1, 0, 0, 0, 0, 0},
      {"(g :type (group))", 0, 0, 0, 1, 0, 0, 0, 0},
      {"(u :type (usrgroup))", 0, 0, 0, 1, 1, 0, 0, 0},
      {"(ANY)", 0, 0, 0, 0, 0, 0, 0, 1},
      {"(cell : (Any))", 0, 0, 0, 0, 0, 0, 0, 1},
      {"(cell : (x) : (any))", 0, 0, 0, 0, 0, 0, 0, 0},
      {"(untyped)", 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case &c : cases) {
    KxSetRef o = parse(c.text);
    EXPECT_EQ(is_node(o.get()), c.node) << c.text;
    EXPECT_EQ(is_net(o.get()), c.net) << c.text;
    EXPECT_EQ(is_domain(o.get()), c.domain) << c.text;
    EXPECT_EQ(is_group(o.get()), c.group) << c.text;
    EXPECT_EQ(is_usergroup(o.get()), c.usergroup) << c.text;
    EXPECT_EQ(is_internal(o.get()), c.internal) << c.text;
    EXPECT_EQ(is_firewalled(o.get()), c.firewalled) << c.text;
    EXPECT_EQ(kxobj_isany(o.get()), c.any) << c.text;
  }
  EXPECT_EQ(is_node(nullptr), 0);
  EXPECT_EQ(kxobj_isany(nullptr), 0);
}

TEST(KxobjMatch, Table) {
  struct Case {
    const char *obj, *type, *attr;
    std::vector<std::string> values;
    int expected;
  } cases[] = {
      {"(n :type (net))", "network", nullptr, {}, 1},
      {"(n :type (NETWORK))", "net", nullptr, {}, 1},
      {"(h :type (host))", "network", nullptr, {}, 0},
      {"(r :type (router))", "router", "vendor", {"cisco"}, 1},
      {"(r :type (router) :vendor (CISCO))", "router", "vendor", {"wellfleet", "cisco"}, 1},
      {"(r :type (router) :vendor (wellfleet))", "router", "vendor", {"cisco"}, 0},
      {"(untyped :vendor (cisco))", "router", "vendor", {"cisco"}, 0},
  };
  for (const Case &c : cases) {
    KxSetRef o = parse(c.obj);
    EXPECT_EQ(kxobj_match(o.get(), c.type, c.attr, c.values), c.expected) << c.obj;
  }
}

TEST_F(NetobjTest, MembersListsAndReferences) {
  use(kSite);
  EXPECT_EQ(kxobj_getnamed(kx_netobj, "10.0.0.5"), obj("fwhost"));
  EXPECT_EQ(kxobj_getnamed(kx_netobj, "gw"), obj("gw"));
  EXPECT_EQ(kxobj_member(kx_netobj, "GW"), obj("gw"));
  EXPECT_EQ(kxobj_obj(kx_netobj, "GW"), nullptr) << "kxobj_obj is exact";
  EXPECT_EQ(kxobj_ithmember(kx_netobj, 1), obj("extgw"));
  EXPECT_EQ(kxobj_nmember(obj("inner")), 2);

  KxSetRef ref(kxobj_makeref(obj("plain")));
  EXPECT_EQ(kxobj_isref(ref.get()), 1);
  EXPECT_STREQ(kxobj_get(ref.get(), "refname"), "#_plain");
  EXPECT_EQ(kxobj_getref(ref.get(), nullptr), obj("plain"));

  KxSetRef gws(kxobj_getlist(nullptr, "type", "GATEWAY"));
  EXPECT_EQ(kxobj_names(gws.get()), (std::vector<std::string>{"gw", "extgw"}));

  KxSetRef routers(kxobj_newlist());
  EXPECT_EQ(kxobj_add(routers.get(), "router", nullptr, "vendor", {"cisco"}), 11);
  EXPECT_EQ(kxobj_names(routers.get()), (std::vector<std::string>{"c1", "r0", "rx"}));
  EXPECT_EQ(kxobj_del(routers.get(), "rou", "vendor", {"cisco"}), 3);
  EXPECT_EQ(kxobj_nsons(routers.get()), 0);

  // Inserting an object of a name the list holds replaces it in place.
  KxSetRef list(kxobj_newlist());
  KxSetRef a1(kxobj_new("a")), a2(kxobj_new("a")), b(kxobj_new("b"));
  kxobj_insert(list.get(), a1.get());
  kxobj_insert(list.get(), b.get());
  kxobj_insert(list.get(), a2.get());
  EXPECT_EQ(kxobj_ithmember(list.get(), 0), a2.get());
  EXPECT_EQ(kxobj_nmember(list.get()), 2);
  EXPECT_EQ(kxobj_delete(list.get(), b.get()), 0);
  EXPECT_EQ(kxobj_delete(list.get(), b.get()), -1);
}

TEST_F(NetobjTest, GroupWalkingSurvivesMembershipLoops) {
  use(kSite);
  kxset *inner = obj("inner"), *outer = obj("outer");
  EXPECT_EQ(kxobj_find(outer, obj("fwhost")), inner) << "innermost group";
  EXPECT_EQ(kxobj_find(outer, obj("gw")), outer);
  EXPECT_EQ(kxobj_find(outer, outer), outer);
  EXPECT_EQ(kxobj_find(outer, obj("c1")), nullptr);
  EXPECT_EQ(kxobj_intersec(outer, obj("plain")), inner);
  EXPECT_EQ(kxobj_find_parents(kx_netobj, obj("gw")), std::vector<kxset *>{outer});

  // Close the loop: inner now contains outer.
  kxobj_append(inner, outer);
  EXPECT_EQ(kxobj_find(inner, obj("c1")), nullptr);
  EXPECT_EQ(kxobj_find(outer, obj("gw")), outer);
  EXPECT_EQ(kxobj_intersec(inner, obj("c1")), nullptr);

  KxSetRef flat(kxobj_newlist());
  kxobj_flat(flat.get(), outer);
  std::vector<std::string> names = kxobj_names(flat.get());
  EXPECT_EQ(names, (std::vector<std::string>{"outer", "gw", "inner", "fwhost", "plain"}));
  kxobj_flat(flat.get(), inner);
  EXPECT_EQ(kxobj_nmember(flat.get()), 5) << "members already held are skipped";

  EXPECT_EQ(kxobj_propval(outer, "location", "internal"), 0) << "fwhost has no location";
  EXPECT_EQ(kxobj_prop(outer, "ipaddr"), 1);
  EXPECT_EQ(kxobj_propfunc(outer, [](const kxset *o) { return is_node(o); }), 1);
  // The loop stays behind when the group is released.
  kxobj_delete(inner, outer);
}

TEST_F(NetobjTest, MergeAddsMissingAndKeepsExisting) {
  use(kSite);
  KxSetRef src = parse(R"((gw :type (gateway) :ipaddr (9.9.9.9) :comments (imported)
      :if-0 (le0 :netmask (255.255.0.0) :ifnum (0))
      : (x1 :ipaddr (10.9.9.9)) : (other :ipaddr (192.168.1.1) :speed (10)) : (x1 :extra (yes))))");
  kxset *gw = obj("gw");
  // As an anonymous member le0 is found by its address for "other".
  kxobj_append(gw, kxobj_obj_all(gw, "le0"));
  kxobj_merge(gw, src.get());
  EXPECT_STREQ(kxobj_get(gw, "ipaddr"), "10.0.0.1") << "differing values stay";
  EXPECT_STREQ(kxobj_get(gw, "comments"), "imported");
  kxset *le0 = kxobj_getobj(gw, "if-0", 0);
  EXPECT_STREQ(kxobj_get(le0, "netmask"), "255.255.255.0");
  EXPECT_STREQ(kxobj_get(le0, "ifnum"), "0");
  EXPECT_STREQ(kxobj_get(le0, "speed"), "10");
  kxset *x1 = kxobj_member(gw, "x1");
  ASSERT_NE(x1, nullptr);
  EXPECT_STREQ(kxobj_get(x1, "extra"), "yes") << "the second x1 merged into the first";

  KxSetRef host = parse("(plain :type (network) :comments (other))");
  kxobj_merge(obj("plain"), host.get());
  EXPECT_STREQ(kxobj_get(obj("plain"), "comments"), "") << "different types do not merge";

  // A source group that contains itself is merged once.
  KxSetRef loop = parse("(outer :type (group) :comments (looped))");
  kxobj_append(loop.get(), loop.get());
  kxobj_merge(obj("outer"), loop.get());
  EXPECT_STREQ(kxobj_get(obj("outer"), "comments"), "looped");
  kxobj_delete(loop.get(), loop.get());
  kxobj_delete(obj("outer"), loop.get());
}

TEST_F(NetobjTest, HostListsAndRouters) {
  use(kSite);
  // extgw is external, plain is not firewalled, routers are no modules.
  EXPECT_EQ(kx_getsysconf(), (std::vector<std::string>{"gw", "fwhost"}));
  EXPECT_EQ(kx_gethosts(), (std::vector<std::string>{"gw", "fwhost"}));
  KxSetRef sel = parse("(sel : (fwhost) : (plain))");
  kx_setselected(sel.get());
  EXPECT_EQ(kx_gethosts(), std::vector<std::string>{"fwhost"});
  kx_setselected(nullptr);
  KxSetRef cands = parse("(c : (gw :type (gateway) :firewall (installed)))");
  kx_sethosts(cands.get());
  EXPECT_EQ(kx_gethosts(), std::vector<std::string>{"gw"});

  EXPECT_EQ(kxobj_n_routers(), 4);
  KxSetRef all(kxobj_all_routers(nullptr, nullptr));
  EXPECT_EQ(kxobj_names(all.get()), (std::vector<std::string>{"c1", "w1"}))
      << "external routers and routers without vendor are left out";
  KxSetRef wf(kxobj_all_routers(nullptr, "wellfleet"));
  EXPECT_EQ(kxobj_names(wf.get()), std::vector<std::string>{"w1"});

  auto vendors = kxobj_types({"c1", "w1"});
  ASSERT_TRUE(vendors);
  EXPECT_EQ(*vendors, (std::vector<std::string>{"cisco", "Wellfleet"}));
  EXPECT_FALSE(kxobj_types({"c1", "nosuch"}));
  EXPECT_FALSE(kxobj_types({"r0"}));
  EXPECT_EQ(capture_.notices, (std::vector<std::string>{"cannot find object 'nosuch'",
                                                        "cannot find vendor of object 'r0'"}));
}

TEST_F(NetobjTest, FirewalledTargets) {
  use(kSite);
  struct Case {
    const char *cell;
    const char *type;
    int flags;
    std::vector<std::string> expected;
  } cases[] = {
      {"( : outer)", nullptr, 0, {"fwhost", "gw"}},
      {"( : extgw : plain)", nullptr, 0, {}},
      {"( : lan)", nullptr, 0, {"gw"}}, // gw lies in lan by its interface
      {"( : outer : gw)", "gateway", 0, {"gw"}},
      {"( : c1 : rx : w1 : gw)", "router", 0, {"c1", "w1"}},
      {"( : (Any))", nullptr, 0, {}},
  };
  for (const Case &c : cases) {
    KxSetRef cell(sio_sreadx(c.cell, table_holder()));
    ASSERT_EQ(sio_errno(), 0) << c.cell << sio_messages();
    KxSetRef dest(kxobj_newlist());
    int n = gen_getfirewalled(dest.get(), cell.get(), c.type, c.flags);
    EXPECT_EQ(kxobj_names(dest.get()), c.expected) << c.cell;
    EXPECT_EQ(n, static_cast<int>(c.expected.size())) << c.cell;
  }
  KxSetRef any = parse("( : (any))");
  KxSetRef dest(kxobj_newlist());
  EXPECT_EQ(gen_getfirewalled(dest.get(), any.get(), nullptr, GEN_ANY_SHORTCUT), 1);
  EXPECT_STREQ(kxobj_get(dest.get(), "any"), "all");

  // A group loop is searched once.
  kxobj_append(obj("inner"), obj("outer"));
  KxSetRef cell = parse("( : (x))");
  kxobj_append(cell.get(), obj("inner"));
  KxSetRef d2(kxobj_newlist());
  EXPECT_EQ(gen_getfirewalled(d2.get(), cell.get(), nullptr, 0), 2);
  kxobj_delete(obj("inner"), obj("outer"));
}

} // namespace
