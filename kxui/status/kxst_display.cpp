#include "kxui/status/kxst_display.h"

#include <algorithm>
#include <strings.h>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst_answer.h"

namespace {

bool ieq(const std::string &a, const char *b) { return strcasecmp(a.c_str(), b) == 0; }

// Quoted for the remote shell that runs the terminal: the display is the
// user's environment value and must stay one word.
std::string shell_quote(const std::string &s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A node name the remote-shell program takes as a host and not as an
// option or anything else.
bool plain_host_name(const std::string &s) {
  if (s.empty() || s[0] == '-') return false;
  return std::all_of(s.begin(), s.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

} // namespace

KxStateLook kxst_state_look(const std::string &name) {
  static const struct {
    const char *name;
    KxStateLook look;
  } table[] = {{"down", {1, 15}},          {"disconnected", {2, 61}}, {"unprotected", {3, 26}},
               {"uninstalled", {3, 26}},   {"not installed", {3, 26}}, {"protected", {4, 38}},
               {"installed", {4, 38}},     {"unknown", {5, 16}},      {"naccept", {6, 41}},
               {"nreject", {6, 23}},       {"nlog", {6, 57}}};
  for (const auto &row : table)
    if (ieq(name, row.name)) return row.look;
  return {};
}

std::vector<std::pair<std::string, std::string>> kxhostbox::counters() const {
  std::vector<std::pair<std::string, std::string>> out;
  if (!accepted_.empty()) out.emplace_back("naccept", accepted_);
  if (!rejected_.empty()) out.emplace_back("nreject", rejected_);
  if (!logged_.empty()) out.emplace_back("nlog", logged_);
  return out;
}

const char *const kxst_menu_labels[kxst_menu_size] = {"Log ...",       "Xterm ...",  "Install ...",
                                                      "Uninstall ...", "Tables ...", "Status ..."};

std::array<bool, kxst_menu_size> kxst_menu_enabled(const std::string &state) {
  int n = 4; // any other state: the first four
  if (ieq(state, "unknown") || ieq(state, "down")) n = 1;
  else if (ieq(state, "disconnected")) n = 2;
  else if (ieq(state, "unprotected")) n = 3;
  std::array<bool, kxst_menu_size> on{};
  for (int i = 0; i < n; ++i) on[static_cast<size_t>(i)] = true;
  return on;
}

std::string kxst_unimplemented(KxBoxItem item) {
  return std::string(kxst_menu_labels[static_cast<int>(item)]) + " unimplemented (Yet)";
}

KxXterm kxst_xterm(const std::string &node, const char *display) {
  KxXterm x;
  if (!display || !*display) {
    x.error = "Cannot open xterm on " + node + ": unknown display";
    return x;
  }
  if (!plain_host_name(node)) {
    x.error = "Cannot open xterm on " + node + ": not a host name";
    return x;
  }
  x.argv = {"rsh", "-n", node, "xterm -display " + shell_quote(display) + " "};
  return x;
}

std::string kxst_clock_text(time_t t) {
  const std::string s = kx_time_text(t);
  return s.size() > 7 ? s.substr(s.size() - 8) : s;
}

const kxhostbox *KxStatusDisplay::box(const std::string &name) const {
  for (const kxhostbox &b : boxes_)
    if (b.get_name() == name) return &b;
  return nullptr;
}

void KxStatusDisplay::select(const std::string &name, bool on) {
  for (kxhostbox &b : boxes_)
    if (b.get_name() == name) b.selected = on;
}

void KxStatusDisplay::select_all() {
  for (kxhostbox &b : boxes_) b.selected = true;
  notify();
}

void KxStatusDisplay::clear_selections() {
  for (kxhostbox &b : boxes_) b.selected = false;
  notify();
}

std::vector<std::string> KxStatusDisplay::selected() const {
  std::vector<std::string> out;
  for (const kxhostbox &b : boxes_)
    if (b.selected) out.push_back(b.get_name());
  return out;
}

void KxStatusDisplay::clear() {
  boxes_.clear();
  busy_ = false;
  notify();
}

void KxStatusDisplay::pass_started(const std::string &time_part) {
  last_update_ = time_part;
  busy_ = true;
  notify();
}

void KxStatusDisplay::show_box(int index, int nboxes, kxset *status) {
  if (nboxes < 0 || index < 0 || index >= nboxes || !status) return;
  boxes_.resize(static_cast<size_t>(nboxes)); // boxes beyond the nodes go
  kxhostbox &b = boxes_[static_cast<size_t>(index)];
  b.put_name(status->getname());
  b.put_date(kxobj_get(status, "date"));
  b.put_state(kxobj_get(status, "state"));
  b.put_filt(kxobj_get(status, "name"));
  b.put_statistics(kxobj_get(status, "accepted"), kxobj_get(status, "rejected"),
                   kxobj_get(status, "logged"));
  notify();
}

void KxStatusDisplay::pass_done(const std::vector<std::string> &reselect) {
  for (kxhostbox &b : boxes_)
    b.selected = std::find(reselect.begin(), reselect.end(), b.get_name()) != reselect.end();
  busy_ = false;
  notify();
}
