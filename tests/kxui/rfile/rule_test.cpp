// Rules, cells and items in memory.
#include "fixture.h"

#include "kxset/sio.h"

namespace rfiletest {
namespace {

using RuleModelTest = RuleFileTest;

TEST_F(RuleModelTest, CellItemsAreTheObjectsThemselves) {
  KxSetRef rule(rule_new());
  ASSERT_EQ(rule_set(rule.get(), RULE_SRC, "", "gate  mail"), 0);
  kxset *src = rule_get_set(rule.get(), RULE_SRC);
  ASSERT_NE(src, nullptr);
  ASSERT_EQ(src->getnattr(), 2);
  EXPECT_EQ(src->get(0), netobj("gate"));
  EXPECT_EQ(src->get(1), netobj("mail"));
  EXPECT_EQ(rule_get(rule.get(), RULE_SRC, ""), "gate mail");

  // Services come from their own table; actions and tracks from set-up.
  rule_set(rule.get(), RULE_SERVICES, "", "smtp");
  EXPECT_EQ(rule_get_set(rule.get(), RULE_SERVICES)->get(0), kxobj_obj(kx_services, "smtp"));
  rule_set(rule.get(), RULE_ACTION, "", "accept");
  EXPECT_EQ(rule_get_set(rule.get(), RULE_ACTION)->get(0), kxobj_obj(kx_actions, "accept"));
  // A name with a blank is one item only when set as a whole.
  rule_set_item(rule.get(), RULE_ACTION, "User Auth");
  ASSERT_EQ(rule_get_set(rule.get(), RULE_ACTION)->getnattr(), 1);
  EXPECT_EQ(rule_get_set(rule.get(), RULE_ACTION)->get(0), kxobj_obj(kx_actions, "User Auth"));

  // Nothing inside an object is an item: "gateway" is gate's type value.
  kxset *word = rule_getname("gateway");
  KxSetRef hold(word);
  EXPECT_NE(word, netobj("gate")->get(KxAtom("type")));
  EXPECT_EQ(word->getnattr(), 0);
}

TEST_F(RuleModelTest, SettingItemsKeepsTheOperator) {
  KxSetRef rule(rule_new());
  rule_set(rule.get(), RULE_DST, "", "gate");
  rule_set(rule.get(), RULE_DST, RULE_OP, RULE_NOT_IN);
  EXPECT_EQ(rule_get(rule.get(), RULE_DST, RULE_OP), "not in");
  EXPECT_TRUE(rule_negated(rule.get(), RULE_DST));

  rule_set(rule.get(), RULE_DST, nullptr, "mail servers");
  EXPECT_EQ(rule_get(rule.get(), RULE_DST, ""), "mail servers");
  EXPECT_EQ(rule_get(rule.get(), RULE_DST, nullptr), "not in mail servers");

  rule_set(rule.get(), RULE_DST, RULE_OP, RULE_IN);
  EXPECT_FALSE(rule_negated(rule.get(), RULE_DST));
  EXPECT_EQ(rule_get(rule.get(), RULE_SRC, ""), "");
  EXPECT_EQ(rule_get(nullptr, RULE_SRC, ""), "");
}

TEST_F(RuleModelTest, PutAddsOnceAndDelRemovesByName) {
  KxSetRef rule(rule_new());
  EXPECT_EQ(rule_put(rule.get(), RULE_SRC, "", netobj("gate")), 1);
  EXPECT_EQ(rule_put(rule.get(), RULE_SRC, "", netobj("gate")), 0);
  EXPECT_EQ(rule_put(rule.get(), RULE_SRC, "", netobj("mail")), 1);
  EXPECT_EQ(rule_get(rule.get(), RULE_SRC, ""), "gate mail");

  EXPECT_EQ(rule_del(rule.get(), RULE_SRC, "", netobj("gate")), 0);
  EXPECT_EQ(rule_del(rule.get(), RULE_SRC, "", "gate"), -1);
  EXPECT_EQ(rule_del(rule.get(), RULE_SRC, "", "nosuchname-ever"), -1);
  EXPECT_EQ(rule_del(rule.get(), RULE_DST, "", "mail"), -1);
  EXPECT_EQ(rule_get(rule.get(), RULE_SRC, ""), "mail");
}

TEST_F(RuleModelTest, CopyIsTwoLevelsDeepWithoutPrivateAttributes) {
  KxSetRef rule(rule_new());
  rule_set(rule.get(), RULE_SRC, "", "gate mail");
  rule_set(rule.get(), RULE_SRC, RULE_OP, RULE_NOT_IN);
  rule_get_set(rule.get(), RULE_SRC)->set(KxAtom("_mark"), kxset::make(KxAtom("x")));
  rule->set(KxAtom("_popup"), kxset::make(KxAtom("0x1")));

  KxSetRef copy(rule_copy(rule.get()));
  EXPECT_EQ(copy->getnattr(), 1);
  kxset *src = rule_get_set(rule.get(), RULE_SRC);
  kxset *csrc = rule_get_set(copy.get(), RULE_SRC);
  ASSERT_NE(csrc, nullptr);
  EXPECT_NE(csrc, src);
  EXPECT_EQ(csrc->get(0), src->get(0));
  EXPECT_EQ(csrc->get(KxAtom("_mark")), nullptr);
  EXPECT_EQ(rule_get(copy.get(), RULE_SRC, nullptr), "gate mail not in");

  rule_set(copy.get(), RULE_SRC, "", "mail");
  EXPECT_EQ(rule_get(rule.get(), RULE_SRC, ""), "gate mail");
}

TEST(InstallMask, WordsAndValues) {
  struct Case {
    int mask;
    const char *words;
  };
  const Case cases[] = {
      {0, "none"},        {1, "gateway"}, {2, "src"},         {3, "gateway src"},
      {4, "dst"},         {6, "src dst"}, {7, "gateway src dst"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(kx_install_v2s(c.mask), c.words) << c.mask;
    EXPECT_EQ(kx_install_s2v(c.words), c.mask) << c.words;
  }
  EXPECT_EQ(kx_install_s2v("dst\tbogus  gateway"), 5);
  EXPECT_EQ(kx_install_s2v(""), 0);
  EXPECT_EQ(kx_install_s2v(nullptr), 0);
}

} // namespace
} // namespace rfiletest
