// The rule manager with a recording presentation: rows, selection,
// placements, clipboard and dragging.
#include "kxu/report.h"
#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rmgr.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRowHeight = 20;

// Shared by all views of one presentation.
struct Log {
  std::vector<std::string> calls;
  bool refuse_create = false;
  bool refuse_destroy = false;
};

// A view holds the text its "Source" list shows; get() writes it back.
class RecordingView : public RuleRowViewBase {
public:
  RecordingView(Log &log, int number) : number_(number), log_(log) {}

  void put(const kxset *rule) override { source = rule_get(rule, RULE_SRC, ""); }
  void get(kxset *rule) override { rule_set(rule, RULE_SRC, "", source.c_str()); }
  void openclose(bool open) override { log_.calls.push_back(open ? "open" : "close"); }
  int destroy() override { return log_.refuse_destroy ? -1 : 0; }

  std::string source;
  int number_;

private:
  Log &log_;
};

class RecordingViews : public RuleRowViews {
public:
  std::unique_ptr<RuleRowView> create(int number) override {
    if (log.refuse_create) return nullptr;
    return std::make_unique<RecordingView>(log, number);
  }
  void defaults(kxset *rule) override { rule_set(rule, RULE_SRC, "", "new"); }
  void arrange(const std::vector<RuleRowView *> &views) override {
    int n = 0;
    for (RuleRowView *v : views) {
      v->move(0, n * kRowHeight);
      static_cast<RecordingView *>(v)->number_ = ++n;
    }
  }
  Log log;
};

class RuleManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    rmgr_set_views(views);
    load("a b c d");
    rmgr_copy(1); // nothing selected: empties the clipboard
  }
  void TearDown() override {
    rule_set_rules({});
    rmgr_set_views(nullptr);
  }

  // One rule per word, its source being that word.
  static void load(const std::string &names) {
    rule_list rules;
    size_t i = 0;
    while (i < names.size()) {
      size_t j = names.find(' ', i);
      if (j == std::string::npos) j = names.size();
      KxSetRef r(rule_new());
      rule_set(r.get(), RULE_SRC, "", names.substr(i, j - i).c_str());
      rules.push_back(r);
      i = j + 1;
    }
    rule_set_rules(rules);
  }
  // The sources of the rows, in order.
  static std::string table() {
    std::string out;
    for (int n = 1; n <= rmgr_count(); ++n) {
      if (!out.empty()) out += ' ';
      out += rule_get(rmgr_rule(n), RULE_SRC, "");
    }
    return out;
  }
  static void select(std::initializer_list<int> rows) {
    for (int n : rows) rmgr_select(n, nullptr, 1);
  }
  static RecordingView *view(int n) { return static_cast<RecordingView *>(rmgr_view(n)); }

  std::shared_ptr<RecordingViews> views = std::make_shared<RecordingViews>();
  kxtest::CollectReports shown;
  kxu::ScopedFrontEnd front{&shown};
};

TEST_F(RuleManagerTest, NewRuleGoesWhereThePlacementSays) {
  struct Case {
    std::initializer_list<int> selected;
    rule_place where;
    const char *table;
  };
  const Case cases[] = {
      {{3}, rule_place::before, "a b new c d"},
      {{2, 3}, rule_place::after, "a b c new d"},
      {{}, rule_place::after, "new a b c d"},
      {{}, rule_place::before, "new a b c d"},
      {{4}, rule_place::top, "new a b c d"},
      {{1}, rule_place::bottom, "a b c d new"},
      {{4}, rule_place::after, "a b c d new"},
  };
  for (const Case &c : cases) {
    load("a b c d");
    select(c.selected);
    ASSERT_NE(rule_menu_new(c.where), nullptr);
    EXPECT_EQ(table(), c.table) << static_cast<int>(c.where);
    EXPECT_EQ(rule_modified, 1);
  }
}

TEST_F(RuleManagerTest, PositionsAreClampedAndRowsRenumbered) {
  rmgr_add(-5, nullptr);
  rmgr_add(1000, nullptr);
  EXPECT_EQ(table(), "new a b c d new");
  for (int n = 1; n <= rmgr_count(); ++n) EXPECT_EQ(view(n)->number_, n);
  EXPECT_EQ(nrules, 4);
}

TEST_F(RuleManagerTest, PastingTwiceGivesIndependentCopies) {
  select({2});
  rmgr_copy(1);
  EXPECT_EQ(shown.last_line(), "One rule copied to clipboard");
  EXPECT_EQ(rule_modified, 0);

  EXPECT_EQ(rule_menu_paste(rule_place::bottom), 1);
  EXPECT_EQ(shown.last_line(), "Rule pasted");
  EXPECT_EQ(rule_menu_paste(rule_place::bottom), 1);
  EXPECT_EQ(table(), "a b c d b b");
  EXPECT_EQ(rule_modified, 1);

  // Edit the first paste through its view; the rest stay as they were.
  view(5)->source = "edited";
  rule_list rules = rmgr_collect();
  ASSERT_EQ(rules.size(), 6u);
  EXPECT_EQ(table(), "a b c d edited b");
  EXPECT_NE(rmgr_rule(5), rmgr_rule(6));
  EXPECT_NE(rule_get_set(rmgr_rule(5), RULE_SRC), rule_get_set(rmgr_rule(6), RULE_SRC));
  rmgr_paste(0);
  EXPECT_EQ(table(), "b a b c d edited b");
}

TEST_F(RuleManagerTest, CutAndPasteMovesRules) {
  select({1, 2, 4});
  rmgr_cut();
  EXPECT_EQ(shown.last_line(), "3 rules cut to clipboard");
  EXPECT_EQ(table(), "c");
  EXPECT_EQ(rmgr_npaste(), 3);
  EXPECT_EQ(rmgr_paste(1), 3);
  EXPECT_EQ(shown.last_line(), "3 rules pasted");
  EXPECT_EQ(table(), "c a b d");
  EXPECT_EQ(view(2)->number_, 2);
}

TEST_F(RuleManagerTest, EmptySelectionAndEmptyClipboardAreSaid) {
  select({1});
  rmgr_copy(1);
  ASSERT_EQ(rmgr_npaste(), 1);
  rmgr_select(1, nullptr, 1); // deselect
  rmgr_cut();
  EXPECT_EQ(shown.last_line(), "No rules selected, rule clipboard emptied");
  EXPECT_EQ(rmgr_npaste(), 0);
  EXPECT_EQ(rmgr_paste(0), 0);
  EXPECT_EQ(shown.last_line(), "Clipboard empty");
  EXPECT_EQ(table(), "a b c d");
}

TEST_F(RuleManagerTest, ClipboardHoldsAtMost256Rules) {
  std::string names;
  for (int i = 0; i < 300; ++i) names += (i ? " r" : "r") + std::to_string(i);
  load(names);
  rmgr_select_all();
  rmgr_copy(1);
  EXPECT_EQ(rmgr_npaste(), RMGR_CLIPBOARD_MAX);
  EXPECT_EQ(shown.last_line(),
            "256 rules copied to clipboard, 44 left out: the clipboard holds at most 256");

  rmgr_cut();
  EXPECT_EQ(rmgr_npaste(), RMGR_CLIPBOARD_MAX);
  EXPECT_EQ(rmgr_count(), 44);
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_SRC, ""), "r256");
}

TEST_F(RuleManagerTest, SelectionRules) {
  rmgr_select(2, nullptr, 0);
  rmgr_select(3, nullptr, 1);
  EXPECT_EQ(rmgr_first_selected(), 1);
  EXPECT_EQ(rmgr_last_selected(), 2);
  // A single select clears the others, except the row of the given view.
  rmgr_select(4, rmgr_view(2), 0);
  EXPECT_TRUE(rmgr_selected(2));
  EXPECT_FALSE(rmgr_selected(3));
  EXPECT_TRUE(rmgr_selected(4));
  rmgr_select(4, nullptr, 0); // toggles off, clears row 2
  EXPECT_EQ(rmgr_first_selected(), -1);
  EXPECT_EQ(rmgr_last_selected(), -1);

  // Adjacent selected rows all go in one pass.
  select({2, 3, 4});
  rmgr_del_selected();
  EXPECT_EQ(table(), "a");
  rule_set_rules({});
  EXPECT_EQ(rmgr_first_selected(), -1);
}

TEST_F(RuleManagerTest, RowNumbersOutsideTheTableChangeNothing) {
  for (int n : {0, -1, 5}) {
    EXPECT_EQ(rmgr_del(n), -1) << n;
    EXPECT_EQ(rmgr_rule(n), nullptr) << n;
    rmgr_select(n, nullptr, 0);
    rmgr_moved(n, nullptr);
  }
  EXPECT_EQ(table(), "a b c d");
  EXPECT_EQ(rmgr_first_selected(), -1);
  EXPECT_EQ(rule_modified, 0);

  rmgr_set_pos(9, nullptr, 3, 4, 1);
  EXPECT_EQ(shown.notices.back(), "Cannot find rule window 9 (0) coord 3x4");
}

TEST_F(RuleManagerTest, ViewFailuresKeepTheTableSound) {
  views->log.refuse_create = true;
  EXPECT_EQ(rule_menu_new(rule_place::top), nullptr);
  EXPECT_EQ(shown.notices.back(), "Failed to create new rule");
  views->log.refuse_create = false;

  views->log.refuse_destroy = true;
  EXPECT_EQ(rmgr_del(1), -1);
  select({1});
  rmgr_cut();
  EXPECT_EQ(rmgr_npaste(), 0);
  views->log.refuse_destroy = false;
  EXPECT_EQ(table(), "a b c d");
  EXPECT_EQ(rmgr_del(1), 0);
  EXPECT_EQ(rule_modified, 1);
}

TEST_F(RuleManagerTest, DraggedRowLandsWhereItWasDropped) {
  struct Case {
    int row;
    int y;
    const char *table;
  };
  // Rows lie at y 0, 20, 40, 60.
  const Case cases[] = {
      {1, 45, "b c a d"},  // down, between c and d
      {4, 5, "a d b c"},   // up, between a and b
      {2, 500, "a c d b"}, // below the last row: last
      {3, -10, "c a b d"}, // above the first: first
      {2, 25, "a b c d"},  // inside its own slot
  };
  for (const Case &c : cases) {
    load("a b c d");
    view(c.row)->move(0, c.y);
    rmgr_moved(c.row, rmgr_view(c.row));
    EXPECT_EQ(table(), c.table) << c.row << " to " << c.y;
    EXPECT_EQ(rule_modified, std::string(c.table) != "a b c d") << c.row << " to " << c.y;
    for (int n = 1; n <= 4; ++n) {
      int x, y;
      view(n)->position(&x, &y);
      EXPECT_EQ(y, (n - 1) * kRowHeight);
    }
  }
  // Unmoved: nothing happens.
  load("a b c d");
  rmgr_moved(2, rmgr_view(2));
  EXPECT_EQ(rule_modified, 0);
}

TEST_F(RuleManagerTest, OpenCloseReachesEveryView) {
  rmgr_openclose(false);
  rmgr_openclose(true);
  EXPECT_EQ(views->log.calls.size(), 8u);
  EXPECT_EQ(views->log.calls.back(), "open");
}

} // namespace
