// Pages, selections, search and go-to over a log of 100 entries: entry 0
// announces the filter, entry i (1..99) is a connection with rule i-1,
// accepted when i-1 is even, from 10.0.((i-1)%4).1.
#include "kxlv/match.h"
#include "kxlv/viewer.h"
#include "lvfixture.h"

#include "kxset/sio.h"
#include "kxlv/selist_objects.h"

#include <gtest/gtest.h>

#include <strings.h>

using namespace kxlvtest;

namespace {

class ViewerTest : public ::testing::Test {
protected:
  void SetUp() override {
    utc();
    path = dir.file("kx.log");
    LogBuilder b(path);
    b.conns(0, 99);
    b.w.close();
    ASSERT_TRUE(viewer.open(path));
    viewer.set_lines(10);
  }
  void select(const std::string &column, std::vector<std::string> values, bool in = true) {
    std::string error;
    KxSetRef list = kxlv_make_list(column, values, &error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(settings.selections.update(column, in, list.get(), &error), 0) << error;
  }
  std::vector<long> nums() const {
    std::vector<long> out;
    for (const kxlv_entry &e : viewer.page()) out.push_back(e.num);
    return out;
  }
  kxtest::TempDir dir;
  std::string path;
  kxlv_settings settings;
  kxlv_viewer viewer{settings};
};

TEST_F(ViewerTest, PagesForwardBackwardAndToTheEnd) {
  viewer.top();
  EXPECT_EQ(nums(), (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  viewer.next_page();
  EXPECT_EQ(nums().front(), 10);
  viewer.prev_page();
  EXPECT_EQ(nums().front(), 0);
  viewer.bottom();
  EXPECT_EQ(nums().front(), 90);
  EXPECT_EQ(nums().back(), 99);
  viewer.next_page();
  EXPECT_EQ(nums().front(), 90); // nothing after: the page stays
  viewer.prev_entry();
  EXPECT_EQ(nums().front(), 89);
}

TEST_F(ViewerTest, SelectionsNarrowPagesAndGoTo) {
  select("Action", {"accept"}, false); // dropped ones, control only with null matches
  viewer.top();
  EXPECT_EQ(nums(), (std::vector<long>{2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
  settings.show_null_match = true;
  viewer.top();
  EXPECT_EQ(nums().front(), 0);
  settings.show_null_match = false;
  viewer.goto_entry(51); // hidden: lands on the shown entry before it
  EXPECT_EQ(nums().front(), 50);
  viewer.prev_page();
  EXPECT_EQ(nums().front(), 30);
  viewer.bottom();
  EXPECT_EQ(nums().back(), 98);
}

TEST_F(ViewerTest, SelectionCases) {
  struct Case {
    const char *column;
    std::vector<std::string> values;
    bool in;
    long first, count; // first shown entry and how many in all
  } cases[] = {
      {"Num", {"10-19"}, true, 10, 10},
      {"Rule", {"90-"}, true, 91, 9},
      {"Src", {"10.0.1.0/24"}, true, 2, 25},
      {"Src", {"10.0.1.1", "10.0.2.1"}, false, 1, 49},
      {"Service", {"25"}, true, 1, 99},
      {"Proto", {"udp"}, true, -1, 0},
      {"Info", {"ft?"}, true, -1, 0},
      {"Date", {"12/10/26"}, true, 0, 100},
      {"Date", {"12/11/26-12/31/26"}, true, -1, 0},
      {"Time", {"08:01:00-08:02:00"}, true, 7, 7},
      {"Type", {"control"}, true, 0, 1},
      {"I/F", {"if1.out"}, true, -1, 0},
      {"I/F", {"if1.in"}, true, 1, 99},
      {"I/F", {"if1.both"}, true, 1, 99},
  };
  for (const Case &c : cases) {
    settings.selections.clear();
    select(c.column, c.values, c.in);
    viewer.set_lines(128);
    viewer.top();
    long count = 0, first = -1;
    for (long n = 0; n < 100; ++n) {
      viewer.lio().seek(n);
      const kxlv_entry *e = viewer.lio().nextent();
      if (e && viewer.passes(*e)) {
        if (first < 0) first = n;
        ++count;
      }
    }
    EXPECT_EQ(first, c.first) << c.column << " " << c.values[0];
    EXPECT_EQ(count, c.count) << c.column << " " << c.values[0];
  }
}

TEST_F(ViewerTest, SearchFindsSuccessiveShownHits) {
  viewer.top();
  std::string message;
  // 10.0.3.1 is the source of entries 4, 8, 12, ...
  EXPECT_EQ(viewer.search("10.0.3.1", "", kxlv_viewer::kForward, &message), 4);
  EXPECT_EQ(viewer.search("10.0.3.1", "", kxlv_viewer::kForward, &message), 8);
  EXPECT_EQ(viewer.search("10.0.3.1", "src", kxlv_viewer::kForward, &message), 12);
  EXPECT_EQ(viewer.search("10.0.3.1", "", kxlv_viewer::kBackward, &message), 8);
  EXPECT_EQ(viewer.search("10.0.3.1", "dst", kxlv_viewer::kForward, &message), -1);
  EXPECT_EQ(message, "Search done");
  EXPECT_EQ(viewer.search("accept", "", kxlv_viewer::kFromTop, &message), -1); // actions are not searched
  EXPECT_EQ(viewer.search("10.0.?.1", "", kxlv_viewer::kFromTop, &message), 1);
  EXPECT_EQ(viewer.search("", "", kxlv_viewer::kFromTop, &message), -1);
  EXPECT_EQ(message, "Bad (Null) search string");
  select("Num", {"50-60"});
  EXPECT_EQ(viewer.search("10.0.3.1", "", kxlv_viewer::kFromTop, &message), 52);
  viewer.goto_entry(99); // the page starts at 60, the last shown entry
  EXPECT_EQ(nums().front(), 60);
  EXPECT_EQ(viewer.search("10.0.3.1", "", kxlv_viewer::kBackward, &message), 56);
}

TEST_F(ViewerTest, GoToDateAndTime) {
  viewer.top();
  std::string error;
  ASSERT_TRUE(viewer.goto_datetime("", "08:05:00", &error)) << error;
  EXPECT_EQ(nums().front(), 32); // 08:05:00 is entry 31's time: passed over
  ASSERT_TRUE(viewer.goto_datetime("12/10/26", "", &error));
  EXPECT_EQ(nums().front(), 0);
  for (const char *bad : {"32/13/98", "x", "13/1/26"}) {
    EXPECT_FALSE(viewer.goto_datetime(bad, "", &error)) << bad;
    EXPECT_EQ(error, std::string("Bad date format: <") + bad + ">");
  }
  EXPECT_FALSE(viewer.goto_datetime("", "25:00", &error));
  EXPECT_EQ(error, "Bad time format: <25:00>");
  EXPECT_EQ(nums().front(), 0); // nothing moved
}

TEST_F(ViewerTest, HiddenRepeatsAreNeitherShownNorFound) {
  {
    LogWriter w;
    ASSERT_TRUE(w.open(path));
    for (int i = 0; i < 3; ++i) w.add(conn_header(kBase + 2000, 2), conn_words(0x0A000909, 700));
  }
  settings.hide_repeat = true;
  viewer.bottom();
  EXPECT_EQ(nums().back(), 100);
  EXPECT_EQ(nums().size(), 10u);
  std::string message;
  EXPECT_EQ(viewer.search("10.0.9.9", "", kxlv_viewer::kFromTop, &message), 100);
  EXPECT_EQ(viewer.search("10.0.9.9", "", kxlv_viewer::kForward, &message), -1);
}

TEST_F(ViewerTest, SettingsAreMadeWhenMissingAndKeepSelections) {
  const std::string file = dir.file("logviewer.C");
  std::vector<std::string> messages;
  kxlv_settings s;
  EXPECT_EQ(kxlv_settings_load(file, s, &messages), 1);
  EXPECT_EQ(s.columns.size(), 15u);
  std::string error;
  s.hide_repeat = true;
  s.columns[1].active = false;
  KxSetRef list = kxlv_make_list("Src", {"10.0.1.0/24"}, &error);
  ASSERT_EQ(s.selections.update("src", false, list.get(), &error), 0);
  ASSERT_EQ(kxlv_settings_save(file, s, &error), 0) << error;
  kxlv_settings back;
  EXPECT_EQ(kxlv_settings_load(file, back, &messages), 0);
  EXPECT_TRUE(messages.empty()) << messages[0];
  EXPECT_TRUE(back.hide_repeat);
  EXPECT_FALSE(back.columns[1].active);
  ASSERT_EQ(back.selections.nsel(), 1u);
  EXPECT_EQ(back.selections.getent(0).column, "Src");
  EXPECT_FALSE(back.selections.getent(0).in);
  EXPECT_EQ(back.selections.getent(0).count, 2);

  const std::string bad = dir.write("bad.C", "(logviewer\n :log-props (\n :options ( :hide_repeat (yes) )\n"
                                             " :fields ( :Num ( :width (wide) ) )\n :pagetimeout (-3)\n"
                                             " :selections ( : (srule_1 :type (Nothing) :val ()) )\n)\n)\n");
  messages.clear();
  EXPECT_EQ(kxlv_settings_load(bad, back, &messages), 0);
  EXPECT_EQ(messages.size(), 4u) << ::testing::PrintToString(messages);
  EXPECT_FALSE(back.hide_repeat);
  EXPECT_EQ(back.selections.nsel(), 0u);
  std::string garbage = dir.write("garbage.C", "(logviewer :log-props (");
  messages.clear();
  EXPECT_EQ(kxlv_settings_load(garbage, back, &messages), 0);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(back.columns.size(), 15u);
}


// Objects the selections name: a host, a network, groups of them (one
// nested), services with a port, a port range and a group.
const char kObjects[] = R"((objects
	:netobj (
		: (h1 :type (host) :ipaddr (10.0.1.1))
		: (n2 :type (network) :ipaddr (10.0.2.0) :netmask (255.255.255.0))
		: (g :type (group) : h1 : n2)
		: (outer :type (group) : g)
	)
	:servobj (
		: (mail :type (tcp) :port (25))
		: (web :type (tcp) :port (80))
		: (lows :type (tcp) :port (20-30))
		: (mailgrp :type (group) : mail)
	)
))";

class ObjectSelections : public ViewerTest {
protected:
  void SetUp() override {
    ViewerTest::SetUp();
    objects = KxSetRef(sio_sread(kObjects));
    ASSERT_TRUE(objects);
    finder = [this](const std::string &table, const std::string &name) -> const kxset * {
      const kxset *t = objects->get(table.c_str());
      for (int i = 0; t && i < t->getnattr(); ++i)
        if (t->get(i) && !strcasecmp(t->get(i)->getname(), name.c_str())) return t->get(i);
      return nullptr;
    };
    settings.selections.set_objects(finder);
    viewer.set_lines(128);
  }
  // The shown entries among 1..99 (the connection records) under the
  // selections, after checking that the quick and the full test agree on
  // every one of them.
  std::vector<long> shown() {
    std::vector<long> out;
    const kxlv_test_ctx ctx = viewer.test_ctx();
    viewer.lio().seek(1);
    while (const kxlv_entry *e = viewer.lio().nextent()) {
      const bool full = settings.selections.selected(*e, ctx);
      if (settings.selections.getent(0).count >= 0) {
        EXPECT_EQ(settings.selections.cmp_selected(*e, ctx), full) << "entry " << e->num;
      }
      if (full) out.push_back(e->num);
    }
    return out;
  }
  // Entries n (1..99) whose source 10.0.((n-1)%4).1 has (n-1)%4 in `rest`.
  static std::vector<long> with_src(std::initializer_list<int> rest) {
    std::vector<long> out;
    for (long n = 1; n <= 99; ++n)
      for (int r : rest)
        if ((n - 1) % 4 == r) out.push_back(n);
    return out;
  }
  KxSetRef objects;
  kxlv_object_finder finder;
};

TEST_F(ObjectSelections, NetworkObjectsHostsNetworksAndGroups) {
  struct Case {
    const char *name;
    bool in;
    std::vector<long> want;
    bool quick; // compiled for the quick test
  } cases[] = {
      {"h1", true, with_src({1}), true},
      {"n2", true, with_src({2}), true},
      {"g", true, with_src({1, 2}), true},
      {"outer", true, with_src({1, 2}), true},
      {"outer", false, with_src({0, 3}), true},
      {"any", true, with_src({0, 1, 2, 3}), true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.in ? "" : " not"));
    select("Src", {c.name}, c.in);
    EXPECT_EQ(settings.selections.getent(0).count >= 0, c.quick);
    EXPECT_EQ(shown(), c.want);
  }
  // Mixed with an address, and the control entry only with null matches.
  select("Src", {"h1", "10.0.3.0/24"});
  EXPECT_EQ(shown(), with_src({1, 3}));
  viewer.top();
  EXPECT_NE(viewer.page().front().num, 0);
  settings.show_null_match = true;
  viewer.top();
  EXPECT_EQ(viewer.page().front().num, 0);
}

TEST_F(ObjectSelections, ServicesByPortRangeAndGroup) {
  const std::pair<const char *, bool> cases[] = {
      {"mail", true}, {"web", false}, {"lows", true}, {"mailgrp", true}, {"smtp", true}, {"http", false}};
  for (const auto &[name, all] : cases) {
    SCOPED_TRACE(name);
    select("Service", {name});
    EXPECT_EQ(shown(), all ? with_src({0, 1, 2, 3}) : std::vector<long>{});
  }
}

TEST_F(ObjectSelections, UnknownNamesAreRefusedAndNamesSurviveSaving) {
  std::string error;
  KxSetRef list = kxlv_make_list("Src", {"nosuch"}, &error);
  ASSERT_TRUE(list);
  EXPECT_EQ(settings.selections.update("Src", true, list.get(), &error), -1);
  EXPECT_EQ(error, "Unknown object 'nosuch'");
  EXPECT_FALSE(kxlv_make_list("Src", {"10.0.0.300"}, &error));
  // Without the objects database a name is unknown.
  kxlv_selist bare;
  list = kxlv_make_list("Dst", {"g"}, &error);
  EXPECT_EQ(bare.update("Dst", true, list.get(), &error), -1);
  EXPECT_EQ(error, "Unknown object 'g'");
  // Saved as names, loaded against the objects again.
  select("Src", {"g"}, false);
  KxSetRef saved = settings.selections.save();
  kxlv_selist again;
  again.set_objects(finder);
  std::vector<std::string> messages;
  again.load(saved.get(), &messages);
  EXPECT_TRUE(messages.empty());
  settings.selections = again;
  EXPECT_EQ(shown(), with_src({0, 3}));
  bare.load(saved.get(), &messages);
  EXPECT_EQ(messages, std::vector<std::string>{"Unknown object 'g'"});
  EXPECT_EQ(bare.nsel(), 0u);
}

TEST(PatternTest, Cases) {
  struct Case {
    const char *text, *pattern;
    bool match;
  } cases[] = {{"get ftp file", "ftp", true}, {"abc", "a?c", true}, {"abc", "a*c", true},
               {"a*c", "a\\*c", true},      {"abc", "a\\*c", false}, {"abc", "abd", false},
               {"x\\", "\\", true},          {"", "*", true},       {"aaaaaaaaaaaaaaaaaaaab", "a*a*a*a*a*c", false}};
  for (const Case &c : cases) EXPECT_EQ(kxlv_pattern_contains(c.text, c.pattern), c.match) << c.text << " " << c.pattern;
}

} // namespace
