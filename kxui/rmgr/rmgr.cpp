// The rule manager's row table, selection and clipboard.
#include "kxui/rmgr/rmgr.h"

#include "kxu/report.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

int nrules = 0;

namespace {

// Rows of the built-in presentation: plain memory, one line apart.
constexpr int kMemoryRowHeight = 10;

class MemoryRowView : public RuleRowViewBase {
public:
  void put(const kxset *) override {}
  void get(kxset *) override {}
  void openclose(bool) override {}
};

class MemoryRowViews : public RuleRowViews {
public:
  std::unique_ptr<RuleRowView> create(int) override { return std::make_unique<MemoryRowView>(); }
  void defaults(kxset *) override {}
  void arrange(const std::vector<RuleRowView *> &views) override {
    int y = 0;
    for (RuleRowView *v : views) {
      v->move(0, y);
      y += kMemoryRowHeight;
    }
  }
};

struct Row {
  std::unique_ptr<RuleRowView> view;
  KxSetRef rule;
  int x = 0, y = 0; // the view's last known position
};

struct Manager {
  std::vector<Row> rows;
  std::vector<KxSetRef> clipboard;
  std::shared_ptr<RuleRowViews> views = std::make_shared<MemoryRowViews>();
};

// Lives for the whole run; never destroyed, so no rule outlives the atoms.
Manager &mgr() {
  static Manager *m = new Manager;
  return *m;
}

int count() { return static_cast<int>(mgr().rows.size()); }

bool valid(int n) { return n >= 1 && n <= count(); }

int clamp_position(int position) { return std::clamp(position, 0, count()); }

bool row_selected(int i) { return mgr().rows[static_cast<size_t>(i)].view->selected(); }

// A row for `rule` with a fresh view numbered `number`; false when the view
// cannot be made.
bool make_row(Row &row, kxset *rule, int number) {
  auto view = mgr().views->create(number);
  if (!view) return false;
  view->put(rule);
  row.view = std::move(view);
  row.rule = KxSetRef(rule);
  return true;
}

void insert_row(int index, Row row) {
  auto &rows = mgr().rows;
  rows.insert(rows.begin() + index, std::move(row));
}

void drop_all_rows() {
  for (Row &r : mgr().rows) r.view->destroy();
  mgr().rows.clear();
}

} // namespace

void rmgr_set_views(std::shared_ptr<RuleRowViews> views) {
  Manager &m = mgr();
  for (Row &r : m.rows) r.view->get(r.rule.get());
  m.views = views ? std::move(views) : std::make_shared<MemoryRowViews>();
  for (size_t i = 0; i < m.rows.size(); ++i) {
    Row &r = m.rows[i];
    r.view->destroy();
    r.view = m.views->create(static_cast<int>(i) + 1);
    if (!r.view) r.view = std::make_unique<MemoryRowView>();
    r.view->put(r.rule.get());
  }
  rmgr_arrange();
}

int rmgr_count() { return count(); }

kxset *rmgr_add(int position, kxset *rule) {
  const int pos = clamp_position(position);
  KxSetRef held(rule);
  if (!held) {
    held = KxSetRef(rule_new());
    mgr().views->defaults(held.get());
  }
  Row row;
  if (!make_row(row, held.get(), pos + 1)) return nullptr;
  insert_row(pos, std::move(row));
  rmgr_arrange();
  rule_modified = 1;
  return held.get();
}

int rmgr_del(int n) {
  if (!valid(n)) return -1;
  auto &rows = mgr().rows;
  const int i = n - 1;
  if (rows[static_cast<size_t>(i)].view->destroy() < 0) return -1;
  rows.erase(rows.begin() + i);
  rule_modified = 1;
  return i;
}

void rmgr_del_selected() {
  for (int i = 0; i < count(); ++i)
    if (row_selected(i) && rmgr_del(i + 1) >= 0) --i;
  rmgr_arrange();
}

void rmgr_erase() {
  drop_all_rows();
  rule_modified = 1;
}

int rmgr_first_selected() {
  for (int i = 0; i < count(); ++i)
    if (row_selected(i)) return i;
  return -1;
}

int rmgr_last_selected() {
  for (int i = count() - 1; i >= 0; --i)
    if (row_selected(i)) return i;
  return -1;
}

void rmgr_select(int n, const RuleRowView *view, int multiple) {
  if (!valid(n)) return;
  auto &rows = mgr().rows;
  RuleRowView *v = rows[static_cast<size_t>(n - 1)].view.get();
  v->set_selected(!v->selected());
  if (multiple) return;
  for (int i = 0; i < count(); ++i) {
    RuleRowView *other = rows[static_cast<size_t>(i)].view.get();
    if (i != n - 1 && other != view && other->selected()) other->set_selected(false);
  }
}

void rmgr_select_all() {
  for (Row &r : mgr().rows) r.view->set_selected(true);
}

bool rmgr_selected(int n) { return valid(n) && row_selected(n - 1); }

void rmgr_copy(int copy) {
  Manager &m = mgr();
  m.clipboard.clear();
  const char *verb = copy ? "copied" : "cut";
  int left_out = 0;
  for (int i = 0; i < count(); ++i) {
    if (!row_selected(i)) continue;
    if (static_cast<int>(m.clipboard.size()) >= RMGR_CLIPBOARD_MAX) {
      ++left_out;
      continue;
    }
    Row &row = m.rows[static_cast<size_t>(i)];
    row.view->get(row.rule.get());
    if (copy) {
      m.clipboard.emplace_back(rule_copy(row.rule.get()));
      continue;
    }
    m.clipboard.push_back(row.rule);
    if (rmgr_del(i + 1) >= 0)
      --i;
    else
      m.clipboard.pop_back(); // the row stays where it is
  }
  const int n = static_cast<int>(m.clipboard.size());
  if (left_out > 0)
    kx_message("%d rules %s to clipboard, %d left out: the clipboard holds at most %d", n, verb,
               left_out, RMGR_CLIPBOARD_MAX);
  else if (n == 0)
    kx_message("No rules selected, rule clipboard emptied");
  else if (n == 1)
    kx_message("One rule %s to clipboard", verb);
  else
    kx_message("%d rules %s to clipboard", n, verb);
}

void rmgr_cut() {
  rmgr_copy(0);
  rmgr_arrange();
}

int rmgr_paste(int position) {
  Manager &m = mgr();
  if (m.clipboard.empty()) {
    kx_message("Clipboard empty");
    return 0;
  }
  int pos = clamp_position(position);
  int pasted = 0;
  for (const KxSetRef &clip : m.clipboard) {
    KxSetRef copy(rule_copy(clip.get()));
    Row row;
    if (!make_row(row, copy.get(), pos + 1)) {
      error(0, 0, "Failed to create new rule");
      break;
    }
    insert_row(pos++, std::move(row));
    ++pasted;
  }
  rmgr_arrange();
  if (pasted == 0) return 0;
  rule_modified = 1;
  if (pasted == 1)
    kx_message("Rule pasted");
  else
    kx_message("%d rules pasted", pasted);
  return pasted;
}

int rmgr_npaste() { return static_cast<int>(mgr().clipboard.size()); }

int rmgr_replace(int n, kxset *rule) {
  if (!valid(n) || !rule) return -1;
  Row &row = mgr().rows[static_cast<size_t>(n - 1)];
  row.rule = KxSetRef(rule);
  row.view->put(rule);
  rule_modified = 1;
  return 0;
}

kxset *rmgr_rule(int n) { return valid(n) ? mgr().rows[static_cast<size_t>(n - 1)].rule.get() : nullptr; }

RuleRowView *rmgr_view(int n) {
  return valid(n) ? mgr().rows[static_cast<size_t>(n - 1)].view.get() : nullptr;
}

rule_list rmgr_collect() {
  rule_list out;
  out.reserve(mgr().rows.size());
  for (Row &r : mgr().rows) {
    r.view->get(r.rule.get());
    out.push_back(r.rule);
  }
  return out;
}

void rmgr_moved(int n, const RuleRowView *) {
  if (!valid(n)) return;
  auto &rows = mgr().rows;
  const int i = n - 1;
  int x, y;
  rows[static_cast<size_t>(i)].view->position(&x, &y);
  if (x == rows[static_cast<size_t>(i)].x && y == rows[static_cast<size_t>(i)].y) return;

  // The row goes just above the first other row that lies lower; below all
  // of them it becomes the last row.
  int target = -1;
  for (int j = 0; j < count() && target < 0; ++j) {
    if (j == i) continue;
    int ox, oy;
    rows[static_cast<size_t>(j)].view->position(&ox, &oy);
    if (oy > y) target = j;
  }
  if (target < 0)
    target = count() - 1;
  else if (target > i)
    --target; // the rows between move up into the gap
  Row moved = std::move(rows[static_cast<size_t>(i)]);
  rows.erase(rows.begin() + i);
  moved.x = x;
  moved.y = y;
  insert_row(target, std::move(moved));
  if (target != i) rule_modified = 1;
  rmgr_arrange();
}

void rmgr_set_pos(int n, const RuleRowView *view, int x, int y, int move) {
  if (!valid(n)) {
    error(0, 0, "Cannot find rule window %d (%x) coord %dx%d", n,
          static_cast<unsigned>(reinterpret_cast<uintptr_t>(view)), x, y);
    return;
  }
  Row &row = mgr().rows[static_cast<size_t>(n - 1)];
  row.x = x;
  row.y = y;
  if (move) row.view->move(x, y);
}

void rmgr_arrange() {
  std::vector<RuleRowView *> views;
  views.reserve(mgr().rows.size());
  for (Row &r : mgr().rows) views.push_back(r.view.get());
  mgr().views->arrange(views);
  for (Row &r : mgr().rows) r.view->position(&r.x, &r.y);
}

void rmgr_openclose(bool open) {
  for (Row &r : mgr().rows) r.view->openclose(open);
}

void rule_set_rules(const rule_list &rules) {
  drop_all_rows();
  auto &rows = mgr().rows;
  rows.reserve(rules.size());
  for (const KxSetRef &rule : rules) {
    if (!rule) continue;
    Row row;
    if (!make_row(row, rule.get(), count() + 1)) {
      error(0, 0, "Failed to create new rule");
      continue;
    }
    rows.push_back(std::move(row));
  }
  nrules = count();
  rmgr_arrange();
  rule_modified = 0;
}

rule_list rule_get_rules() { return rmgr_collect(); }

int rmgr_place_position(rule_place where) {
  switch (where) {
  case rule_place::before:
    return rmgr_first_selected();
  case rule_place::after: {
    const int last = rmgr_last_selected();
    return last < 0 ? -1 : last + 1;
  }
  case rule_place::top:
    return -1;
  case rule_place::bottom:
    break;
  }
  return INT_MAX; // clamped to the count, however many rules there are
}

kxset *rule_menu_new(rule_place where) {
  kxset *rule = rmgr_add(rmgr_place_position(where), nullptr);
  if (!rule) error(0, 0, "Failed to create new rule");
  return rule;
}

int rule_menu_paste(rule_place where) { return rmgr_paste(rmgr_place_position(where)); }
