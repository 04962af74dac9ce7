// The import against the demo site: how each entry is sorted, the choices
// applied as one edit that undo takes back exactly, and refused choices
// that change nothing.
#include "kxui/editor/demo_site.h"

#include "kxui/editor/edits.h"
#include "kxui/import/import.h"

#include <map>

namespace kxtest {
namespace {

class ImportTest : public DemoTest {
protected:
  void SetUp() override {
    DemoTest::SetUp();
    kx_edits().clear();
    import_parse_hosts("192.168.10.2 mail\n"      // as it is
                       "192.168.20.99 www\n"     // www has another address
                       "192.168.10.1 firewall\n" // gw's address
                       "192.168.10.1 ns\n"       // ns is there, and the address is gw's
                       "10.9.9.9 pc9\n"
                       "10.9.9.10 smtp\n"        // a service
                       "10.9.9.11 net-inside\n"  // a network
                       "10.9.9.12 Mail\n",       // came before
                       "hosts", read_);
    import_parse_networks("net-inside 192.168.10.0/24\nlab2 10.1\nnewnet 10.20.0.0/16\n", "networks", read_);
    import_parse_netgroup("servers (mail,,) (ns,,)\n"
                          "team (pc9,,) (nosuch,,) servers loop1\n"
                          "loop1 loop2\nloop2 loop1\n",
                          "netgroup", read_);
    plan_ = import_plan(read_, kx_netobj);
  }
  void TearDown() override {
    kx_edits().clear();
    DemoTest::TearDown();
  }
  ImportItem &item(const std::string &name) {
    for (ImportItem &i : plan_.items)
      if (i.entry.name == name) return i;
    ADD_FAILURE() << name;
    return plan_.items.front();
  }
  ImportRead read_;
  ImportPlan plan_;
};

TEST_F(ImportTest, EntriesSortedAgainstTheObjects) {
  const std::map<std::string, std::pair<ImportClash, std::string>> expected = {
      {"mail", {ImportClash::same, "host mail is already there"}},
      {"www", {ImportClash::name, "host www is there with 192.168.20.10, not 192.168.20.99"}},
      {"firewall", {ImportClash::address, "192.168.10.1 is gateway gw, not firewall"}},
      {"ns", {ImportClash::both, "host ns is there with 192.168.10.3, and 192.168.10.1 is gateway gw"}},
      {"pc9", {ImportClash::none, "new host pc9 10.9.9.9"}},
      {"smtp", {ImportClash::elsewhere, "the name smtp is taken by tcp smtp"}},
      {"net-inside", {ImportClash::elsewhere, "the name net-inside is taken by network net-inside"}},
      {"lab2", {ImportClash::address, "10.1.0.0/255.255.0.0 is network net-lab, not lab2"}},
      {"newnet", {ImportClash::none, "new network newnet 10.20.0.0/255.255.0.0"}},
      {"servers", {ImportClash::name, "group servers is there with other members, not the netgroup's"}},
      {"team", {ImportClash::none, "new netgroup team"}},
      {"loop1", {ImportClash::none, "new netgroup loop1"}},
      {"loop2", {ImportClash::none, "new netgroup loop2"}},
  };
  ASSERT_EQ(plan_.items.size(), expected.size());
  for (const ImportItem &i : plan_.items) {
    auto it = expected.find(i.entry.name);
    ASSERT_NE(it, expected.end()) << i.entry.name;
    EXPECT_EQ(i.clash, it->second.first) << i.entry.name;
    EXPECT_EQ(i.describe(), it->second.second);
    EXPECT_EQ(i.choice, i.choices().front());
  }
  // net-inside the network is in the tables too, but the hosts file came first.
  EXPECT_EQ(plan_.messages, (std::vector<std::string>{
                                "hosts, line 8: Mail came before (hosts, line 1), left out",
                                "networks, line 1: net-inside came before (hosts, line 7), left out",
                            }));
  EXPECT_EQ(item("ns").choices(), (std::vector<ImportChoice>{ImportChoice::keep, ImportChoice::replace,
                                                             ImportChoice::merge, ImportChoice::rename}));
  EXPECT_EQ(item("smtp").choices(), (std::vector<ImportChoice>{ImportChoice::keep, ImportChoice::rename}));
}

TEST_F(ImportTest, ChoicesAppliedAsOneEditThatUndoTakesBack) {
  const std::string before = text(kx_netobj);
  item("www").choice = ImportChoice::replace;
  item("firewall").choice = ImportChoice::merge;
  item("ns").choice = ImportChoice::rename;
  item("ns").new_name = "ns-imported";
  item("smtp").choice = ImportChoice::rename;
  item("smtp").new_name = "smtp-host";
  item("lab2").choice = ImportChoice::replace;
  item("servers").choice = ImportChoice::replace;
  ImportSetup setup = import_setup(); // the demo's lib/import.C
  EXPECT_EQ(setup.hosts, dir_.path() + "/lib/import/hosts"); // named relative to the installation
  EXPECT_EQ(ImportSetup{}.hosts, "/etc/hosts");
  const ImportResult r = import_apply(plan_, kx_netobj, setup);
  ASSERT_FALSE(r.refused) << *r.refused;
  EXPECT_EQ(r.added, 5);    // pc9, newnet, team, loop1, loop2
  EXPECT_EQ(r.renamed, 2);  // ns-imported, smtp-host
  EXPECT_EQ(r.replaced, 3); // www, lab2, servers
  EXPECT_EQ(r.merged, 1);   // firewall into gw
  EXPECT_EQ(r.kept, 2);     // mail, net-inside
  EXPECT_EQ(r.messages, (std::vector<std::string>{"netgroup team: nosuch is no network object, left out",
                                                  "netgroup loop2: loop1 would contain the group itself, left out"}));
  EXPECT_EQ(kx_edits().size(), 1u);
  EXPECT_EQ(kx_edits().undo_label(), "Import");
  EXPECT_EQ(obj_modified, 1);

  EXPECT_STREQ(kxobj_get(net("www"), "ipaddr"), "192.168.20.99");
  EXPECT_STREQ(kxobj_get(net("www"), "firewall"), "not installed"); // the rest stays
  EXPECT_EQ(net("net-lab"), nullptr);
  EXPECT_STREQ(kxobj_get(net("lab2"), "comments"), "lab subnet of 10.0.0.0 behind the Wellfleet router");
  EXPECT_STREQ(kxobj_get(net("gw"), "ipaddr"), "192.168.10.1");
  EXPECT_STREQ(kxobj_get(net("ns-imported"), "ipaddr"), "192.168.10.1");
  EXPECT_EQ(text(net("pc9")), "(pc9\n\t:type (host)\n\t:ipaddr (10.9.9.9)\n\t:location (internal)\n\t:color (Black)\n"
                               "\t:comments (\"imported from hosts\")\n\t:read_community (public)\n"
                               "\t:write_community (private)\n\t:show_in_menus (true)\n)\n");
  EXPECT_STREQ(kxobj_get(net("newnet"), "broadcast"), "allow");
  EXPECT_EQ(kxobj_names(net("servers")), (std::vector<std::string>{"mail", "ns"}));
  EXPECT_EQ(kxobj_names(net("team")), (std::vector<std::string>{"pc9", "servers", "loop1"}));
  EXPECT_EQ(kxobj_names(net("loop1")), std::vector<std::string>{"loop2"});
  EXPECT_TRUE(kxobj_names(net("loop2")).empty());
  const std::string after = text(kx_netobj);

  ASSERT_TRUE(kx_edits().undo());
  EXPECT_EQ(text(kx_netobj), before);
  EXPECT_NE(net("net-lab"), nullptr);
  ASSERT_TRUE(kx_edits().redo());
  EXPECT_EQ(text(kx_netobj), after);
}

TEST_F(ImportTest, RefusedChoicesChangeNothing) {
  const std::string before = text(kx_netobj);
  struct Case {
    const char *item;
    ImportChoice choice;
    const char *new_name, *refusal;
  } cases[] = {
      {"ns", ImportChoice::rename, "gw", "ns: gw is taken by gw"},
      {"ns", ImportChoice::rename, "GW", "ns: GW is taken by gw"},
      {"ns", ImportChoice::rename, "ftp", "ns: ftp: Already exists (tcp)"},
      {"ns", ImportChoice::rename, "no good", "ns: 'no good' cannot be an object name"},
      {"ns", ImportChoice::rename, "pc9", "pc9: pc9 is made by ns too"},
      {"smtp", ImportChoice::replace, "", "smtp: Replace is not offered for name taken"},
      {"mail", ImportChoice::merge, "", "mail: Merge is not offered for unchanged"},
  };
  for (const Case &c : cases) {
    ImportPlan plan = plan_;
    for (ImportItem &i : plan.items)
      if (i.entry.name == c.item) i.choice = c.choice, i.new_name = c.new_name;
    const ImportResult r = import_apply(plan, kx_netobj, ImportSetup{});
    ASSERT_TRUE(r.refused) << c.item;
    EXPECT_EQ(*r.refused, c.refusal);
    EXPECT_EQ(text(kx_netobj), before);
    EXPECT_EQ(kx_edits().size(), 0u);
  }
  // Nothing but keeps and skips: no edit.
  for (ImportItem &i : plan_.items)
    if (i.clash == ImportClash::none) i.choice = ImportChoice::skip;
  const ImportResult r = import_apply(plan_, kx_netobj, ImportSetup{});
  EXPECT_FALSE(r.refused);
  EXPECT_EQ(r.kept, 13);
  EXPECT_EQ(kx_edits().size(), 0u);
  EXPECT_EQ(obj_modified, 0);
}

} // namespace
} // namespace kxtest
