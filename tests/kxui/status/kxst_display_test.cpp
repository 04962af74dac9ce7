// The status window's model: the state table, the box menu by state, the
// boxes a pass fills, the selection kept across passes, and the terminal
// command that never reaches a shell.
#include <gtest/gtest.h>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst_display.h"

namespace {

KxSetRef status(const char *node, const char *state, bool counters = false) {
  KxSetRef s(kxobj_new(node));
  kxobj_put(s.get(), "state", state);
  kxobj_put(s.get(), "date", " 1Jan70  0:00:01");
  if (counters) {
    kxobj_put(s.get(), "name", "Standard");
    kxobj_put(s.get(), "accepted", "100");
    kxobj_put(s.get(), "rejected", "15");
    kxobj_put(s.get(), "logged", "7");
  }
  return s;
}

TEST(StatusDisplay, StateTableAndMenu) {
  struct Case {
    const char *state;
    int icon, colour;
    const char *menu; // enabled items: Log Xterm Install Uninstall Tables Status
  } cases[] = {
      {"down", 1, 15, "100000"},          {"unknown", 5, 16, "100000"},
      {"Disconnected", 2, 61, "110000"},  {"unprotected", 3, 26, "111000"},
      {"not installed", 3, 26, "111100"}, {"uninstalled", 3, 26, "111100"},
      {"INSTALLED", 4, 38, "111100"},     {"protected", 4, 38, "111100"},
      {"busy rebooting", 0, -1, "111100"}, // a module's own text: no picture, four items
  };
  for (const Case &c : cases) {
    const KxStateLook look = kxst_state_look(c.state);
    EXPECT_EQ(look.icon, c.icon) << c.state;
    EXPECT_EQ(look.colour, c.colour) << c.state;
    std::string menu;
    for (bool on : kxst_menu_enabled(c.state)) menu += on ? '1' : '0';
    EXPECT_EQ(menu, c.menu) << c.state;
  }
  EXPECT_EQ(kxst_state_look("nreject").colour, 23);
  EXPECT_EQ(kxst_unimplemented(KxBoxItem::tables), "Tables ... unimplemented (Yet)");
}

TEST(StatusDisplay, BoxesFollowThePassAndKeepTheirSelection) {
  KxStatusDisplay d;
  int changes = 0;
  d.changed = [&] { ++changes; };
  d.pass_started("10:00:00");
  EXPECT_TRUE(d.busy());
  d.show_box(1, 3, status("ns", "disconnected").get());
  d.show_box(0, 3, status("gw", "installed", true).get());
  d.show_box(2, 3, status("wf", "unknown").get());
  ASSERT_EQ(d.boxes().size(), 3u);
  const kxhostbox &gw = *d.box("gw");
  EXPECT_EQ(gw.get_filt(), "Standard");
  EXPECT_EQ(gw.counters(), (std::vector<std::pair<std::string, std::string>>{
                               {"naccept", "100"}, {"nreject", "15"}, {"nlog", "7"}}));
  EXPECT_TRUE(d.box("ns")->counters().empty()); // only an installed module has counters
  d.pass_done({});
  EXPECT_FALSE(d.busy());

  d.select("ns", true);
  EXPECT_EQ(d.selected_boxes(), std::vector<std::string>{"ns"});
  // The next pass updates in place, drops the box beyond the nodes and
  // reselects by name.
  d.pass_started("10:01:00");
  d.show_box(0, 2, status("gw", "not installed").get());
  d.show_box(1, 2, status("ns", "installed", true).get());
  d.pass_done({"ns", "gone"});
  ASSERT_EQ(d.boxes().size(), 2u);
  EXPECT_EQ(d.box("gw")->get_state(), "not installed");
  EXPECT_TRUE(d.box("gw")->counters().empty());
  EXPECT_EQ(d.selected(), std::vector<std::string>{"ns"});
  d.select_all();
  EXPECT_EQ(d.selected().size(), 2u);
  d.clear_selections();
  EXPECT_TRUE(d.selected().empty());
  // An answer for a node no longer among the boxes draws nothing.
  d.show_box(-1, 2, status("other", "installed").get());
  d.show_box(5, 2, status("other", "installed").get());
  EXPECT_EQ(d.boxes().size(), 2u);
  EXPECT_EQ(d.box("other"), nullptr);
  d.clear();
  EXPECT_TRUE(d.boxes().empty());
  EXPECT_GT(changes, 8);
}

TEST(StatusDisplay, XtermRunsWithoutAShell) {
  KxXterm x = kxst_xterm("gw", nullptr);
  EXPECT_EQ(x.error, "Cannot open xterm on gw: unknown display");
  EXPECT_TRUE(x.argv.empty());
  x = kxst_xterm("gw", ":0; rm -rf ~");
  EXPECT_EQ(x.argv, (std::vector<std::string>{"rsh", "-n", "gw", "xterm -display ':0; rm -rf ~' "}));
  EXPECT_EQ(kxst_xterm("gw", "it's:0").argv[3], "xterm -display 'it'\\''s:0' ");
  for (const char *bad : {"-lroot", "gw;reboot", "a b", ""})
    EXPECT_EQ(kxst_xterm(bad, ":0").error, std::string("Cannot open xterm on ") + bad + ": not a host name");
}

TEST(StatusDisplay, ClockText) {
  EXPECT_EQ(kxst_clock_text(1).size(), 8u);
  EXPECT_EQ(kxst_clock_text(1).substr(2), ":00:01");
}

} // namespace
