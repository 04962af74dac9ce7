// The system status window without a toolkit: one box per status node with
// its texts, the state table (icon and colour), the box menu and its rules,
// the box actions that need no drawing, and the selection that survives a
// status pass. A window shows the boxes and forwards the user's commands.
#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kxui/status/kxst.h"

// The picture of a state: icon 1..5 (64x64) or 6 (the 16x16 counter icon),
// 0 when the name is not in the table; the palette colour, -1 for none.
struct KxStateLook {
  int icon = 0;
  int colour = -1;
};
// Looked up without regard to case.
KxStateLook kxst_state_look(const std::string &name);

// One box: the node's name and the texts drawn for it.
class kxhostbox {
public:
  explicit kxhostbox(std::string name = {}) : name_(std::move(name)) {}
  void put_name(const std::string &s) { name_ = s; }
  void put_date(const std::string &s) { date_ = s; }
  void put_state(const std::string &s) { state_ = s; }
  void put_filt(const std::string &s) { filt_ = s; }
  void put_statistics(const std::string &accepted, const std::string &rejected,
                      const std::string &logged) {
    accepted_ = accepted, rejected_ = rejected, logged_ = logged;
  }
  const std::string &get_name() const { return name_; }
  const std::string &get_date() const { return date_; }
  const std::string &get_state() const { return state_; }
  const std::string &get_filt() const { return filt_; }
  const std::string &get_accepted() const { return accepted_; }
  const std::string &get_rejected() const { return rejected_; }
  const std::string &get_logged() const { return logged_; }
  // The counter items drawn: ("naccept", text), ("nreject", ...), ("nlog",
  // ...) for each counter that is not empty.
  std::vector<std::pair<std::string, std::string>> counters() const;
  bool selected = false;

private:
  std::string name_, date_, state_, filt_, accepted_, rejected_, logged_;
};

// The box menu, in order.
enum class KxBoxItem { log, xterm, install, uninstall, tables, status };
constexpr int kxst_menu_size = 6;
extern const char *const kxst_menu_labels[kxst_menu_size];
// Which items a box in `state` offers (case ignored).
std::array<bool, kxst_menu_size> kxst_menu_enabled(const std::string &state);
// What choosing an item that is never enabled says.
std::string kxst_unimplemented(KxBoxItem item);

// "Xterm ...": the program and arguments that open a terminal of the node
// on the display, run without a shell; or why not.
struct KxXterm {
  std::vector<std::string> argv;
  std::string error;
};
KxXterm kxst_xterm(const std::string &node, const char *display);

// The time part of the shared time text ("Last Update:", "Now:").
std::string kxst_clock_text(time_t t);

// The boxes and their selection as a status pass sees them.
class KxStatusDisplay : public KxStatusView {
public:
  std::function<const kxset *()> objects;          // the network objects table
  std::function<bool()> is_shown = [] { return true; };
  std::function<void()> changed;                   // boxes, selection or busy mark changed

  const std::vector<kxhostbox> &boxes() const { return boxes_; }
  const kxhostbox *box(const std::string &name) const;
  bool busy() const { return busy_; }
  const std::string &last_update() const { return last_update_; }

  // Selection by node name; a name without a box is ignored.
  void select(const std::string &name, bool on);
  void select_all();
  void clear_selections();
  std::vector<std::string> selected() const;

  // "Show": restricts the nodes of later passes to these names (empty: all).
  void restrict_to(std::vector<std::string> names) { only_ = std::move(names); }
  const std::vector<std::string> &restriction() const { return only_; }

  // KxStatusView
  const kxset *network_objects() override { return objects ? objects() : nullptr; }
  std::vector<std::string> main_selection() override { return only_; }
  std::vector<std::string> selected_boxes() override { return selected(); }
  bool shown() override { return is_shown(); }
  void clear() override;
  void pass_started(const std::string &time_part) override;
  void show_box(int index, int nboxes, kxset *status) override;
  void pass_done(const std::vector<std::string> &reselect) override;

private:
  void notify() {
    if (changed) changed();
  }
  std::vector<kxhostbox> boxes_;
  std::vector<std::string> only_;
  std::string last_update_;
  bool busy_ = false;
};
