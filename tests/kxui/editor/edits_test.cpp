// The undo stack over rule table and object edits: undo restores exactly
// what was there, redo puts the edit back, a new edit drops the redo list.
#include "demo_site.h"

#include "kxui/editor/edits.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"

namespace kxtest {
namespace {

class EditsTest : public DemoTest {
protected:
  void SetUp() override {
    DemoTest::SetUp();
    rule_init();
    kx_edits().clear();
    ASSERT_EQ(file_load((dir_.path() + "/conf/Standard.W").c_str()), 0);
  }
  void TearDown() override {
    kx_edits().clear();
    file_close();
    DemoTest::TearDown();
  }
  // The table as text: one line per rule.
  static std::string table() {
    std::string out;
    for (int i = 1; i <= rmgr_count(); ++i)
      out += rule_get(rmgr_rule(i), RULE_SRC, "") + ">" + rule_get(rmgr_rule(i), RULE_DST, "") + ":" +
             rule_get(rmgr_rule(i), RULE_ACTION, "") + (rmgr_selected(i) ? "*" : "") + "\n";
    return out;
  }
};

TEST_F(EditsTest, RuleEditsUndoAndRedoExactly) {
  ASSERT_EQ(rmgr_count(), 10);
  rmgr_select(2, nullptr, 0);
  const std::string start = table(); // the selection comes back too
  ASSERT_TRUE(edit_rules("Cut", [] {
    rmgr_cut();
    return true;
  }));
  const std::string after_cut = table();
  EXPECT_EQ(rmgr_count(), 9);
  ASSERT_TRUE(edit_rules("Paste", [] { return rule_menu_paste(rule_place::bottom) > 0; }));
  ASSERT_TRUE(edit_rule_cell(1, "Set", [](kxset *r) { return rule_set_item(r, RULE_ACTION, "accept") == 0; }));
  const std::string last = table();
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_ACTION, ""), "accept");

  EXPECT_EQ(kx_edits().undo_label(), "Set");
  ASSERT_TRUE(kx_edits().undo());
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_ACTION, ""), "drop");
  ASSERT_TRUE(kx_edits().undo());
  EXPECT_EQ(table(), after_cut);
  ASSERT_TRUE(kx_edits().undo());
  EXPECT_EQ(table(), start);
  EXPECT_FALSE(kx_edits().undo());
  EXPECT_EQ(rule_modified, 1);

  ASSERT_TRUE(kx_edits().redo());
  ASSERT_TRUE(kx_edits().redo());
  ASSERT_TRUE(kx_edits().redo());
  EXPECT_EQ(table(), last);
  EXPECT_FALSE(kx_edits().redo());

  // A new edit after an undo drops what could have been redone.
  kx_edits().undo();
  ASSERT_TRUE(edit_rules("New", [] { return rule_menu_new(rule_place::top) != nullptr; }));
  EXPECT_FALSE(kx_edits().can_redo());
  // An edit that changes nothing records nothing.
  const size_t depth = kx_edits().size();
  EXPECT_FALSE(edit_rules("Nothing", [] { return true; }));
  EXPECT_EQ(kx_edits().size(), depth);
}

TEST_F(EditsTest, CellEditsNeverChangeARecordedRule) {
  kxset *original = rmgr_rule(2);
  const std::string before = text(original);
  ASSERT_TRUE(edit_rule_cell(2, "Not", [](kxset *r) { return rule_set(r, RULE_SRC, RULE_OP, RULE_NOT_IN) == 0; }));
  EXPECT_EQ(text(original), before); // the row holds an edited copy
  EXPECT_TRUE(rule_negated(rmgr_rule(2), RULE_SRC));
  kx_edits().undo();
  EXPECT_EQ(rmgr_rule(2), original);
}

TEST_F(EditsTest, ObjectEditsKeepTheSameSet) {
  kxset *gw = net("gw");
  const std::string before = text(gw);
  ASSERT_TRUE(edit_object("Rename", gw, [](kxset *o) {
    o->setname(KxAtom("gw-main"));
    kxobj_put(o, "comments", "renamed");
    return true;
  }));
  const std::string after = text(gw);
  // The rule naming gw names the renamed object.
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_DST, ""), "gw-main");
  kx_edits().undo();
  EXPECT_EQ(text(gw), before);
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_DST, ""), "gw");
  kx_edits().redo();
  EXPECT_EQ(text(gw), after);

  // Removing and inserting objects: undo puts the object back in its place.
  kxset *mail = net("mail");
  const std::string table_before = text(kx_netobj);
  ASSERT_TRUE(edit_remove_object("Remove", kx_netobj, mail));
  EXPECT_FALSE(net("mail"));
  kx_edits().undo();
  EXPECT_EQ(text(kx_netobj), table_before);
  KxSetRef fresh(kxobj_create(nullptr, "pc9", "host"));
  edit_insert_object("New", kx_netobj, fresh.get());
  EXPECT_TRUE(net("pc9"));
  kx_edits().undo();
  EXPECT_FALSE(net("pc9"));
  kx_edits().redo();
  EXPECT_TRUE(net("pc9"));
}

} // namespace
} // namespace kxtest
