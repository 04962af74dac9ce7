// The interface table of the host and router windows: the demo gateway's
// entries read and written back unchanged, edits that keep what the table
// does not show, and the refusals.
#include "kxui/editor/interfaces.h"

#include "kxui/editor/demo_site.h"
#include "kxui/obj/tables.h"

#include <gtest/gtest.h>

namespace {

class Interfaces : public kxtest::DemoTest {};

TEST_F(Interfaces, DemoEntriesReadAndWriteBackUnchanged) {
  kxset *gw = net("gw");
  const std::vector<IfEntry> rows = if_read(gw);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "le0");
  EXPECT_EQ(rows[0].ipaddr, "192.168.10.1");
  EXPECT_EQ(rows[0].valid, "This Net");
  EXPECT_EQ(rows[0].spoof, "Spoof Log");
  EXPECT_EQ(rows[1].valid, "Others");
  EXPECT_EQ(rows[1].spoof, "Spoof Alert");
  const std::string before = text(gw);
  if_write(gw, rows);
  EXPECT_EQ(text(gw), before);
  EXPECT_EQ(if_read(net("cisco-dmz"))[1].ifnum, "0");
}

TEST_F(Interfaces, EditsKeepUnshownAttributesAndRenumber) {
  kxset *gw = net("gw");
  std::vector<IfEntry> rows = if_read(gw);
  rows.erase(rows.begin()); // le0 goes
  rows[0].valid = "partner-net";
  rows[0].spoof = "No Log";
  rows.push_back({"le2", "10.9.0.1", "255.255.0.0", "", "Open", "Spoof Log"});
  ASSERT_EQ(if_check(rows, false), std::nullopt);
  if_write(gw, rows);

  const kxset *e0 = gw->get(KxAtom("if-0"));
  ASSERT_TRUE(e0);
  EXPECT_STREQ(kxobj_get(e0, "ifname"), "le1");
  EXPECT_STREQ(kxobj_get(e0, "iffullname"), "lance ethernet 1"); // not shown, kept
  EXPECT_TRUE(kxobj_isref(e0->get(KxAtom("netaccess"))));
  EXPECT_FALSE(e0->get(KxAtom("netaccesslog")));
  EXPECT_FALSE(gw->get(KxAtom("if-2")));
  const kxset *e1 = gw->get(KxAtom("if-1"));
  ASSERT_TRUE(e1);
  EXPECT_STREQ(kxobj_get(e1->get(KxAtom("netaccess")), "access"), "open");
  EXPECT_STREQ(kxobj_get(e1->get(KxAtom("netaccesslog")), "macro"), "LOG"); // the track's own text

  const std::vector<IfEntry> again = if_read(gw);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].valid, "partner-net");
  EXPECT_EQ(again[1].name, "le2");
  EXPECT_EQ(again[1].valid, "Open");
  EXPECT_EQ(again[1].spoof, "Spoof Log");
  // The other attributes of the object stay where they were.
  EXPECT_STREQ(kxobj_get(gw, "ipaddr"), "192.168.10.1");
}

TEST_F(Interfaces, RefusedRows) {
  const struct {
    IfEntry row;
    bool router;
    const char *message;
  } cases[] = {
      {{"", "", "", "", "Others", "No Log"}, false, "Interface 2: the name must be one word"},
      {{"le0", "", "", "", "Others", "No Log"}, false, "Interface 2: le0 is listed twice"},
      {{"le9", "10.0.0.256", "", "", "Others", "No Log"}, false, "Interface 2: '10.0.0.256' is not a dotted address"},
      {{"le9", "", "255.0.255.0", "", "Others", "No Log"}, false, "Interface 2: '255.0.255.0' is not a net mask"},
      {{"serial", "", "", "x", "Others", "No Log"}, true, "Interface 2: the interface number must be a number"},
      {{"le9", "", "", "", "nosuch", "No Log"}, false, "Interface 2: no network object nosuch for the valid addresses"},
      {{"le9", "", "", "", "Others", "Loud"}, false, "Interface 2: no track Loud"},
  };
  for (const auto &c : cases) {
    std::vector<IfEntry> rows{{"le0", "", "", "0", "Others", "No Log"}, c.row};
    auto refused = if_check(rows, c.router);
    ASSERT_TRUE(refused) << c.message;
    EXPECT_EQ(*refused, c.message);
  }
  EXPECT_FALSE(if_check({{"serial", "", "", "0", "Others", "No Log"}, {"serial", "", "", "1", "Others", "No Log"}}, true));
}

} // namespace
