// Undo and redo: one stack of edits for the whole editor, covering the rule
// table and the objects, so that Edit > Undo restores exactly what was there.
//
// Rule table edits are recorded as the table's rows before and after (rules
// are held by count; a cell edit replaces the row's rule by an edited copy,
// so a recorded rule never changes). Object edits are recorded as the
// object's attributes before and after; the object itself stays the same set,
// so rules and groups that name it keep naming it.
#pragma once

#include "kxset/kxset.h"

#include <functional>
#include <string>
#include <vector>

class EditStack {
public:
  struct Edit {
    std::string label;
    std::function<void()> undo, redo;
  };

  // Records a done edit; the redo list is dropped. The oldest edits go once
  // more than `limit` are kept.
  void push(Edit e);
  bool can_undo() const { return !done_.empty(); }
  bool can_redo() const { return !undone_.empty(); }
  std::string undo_label() const { return done_.empty() ? "" : done_.back().label; }
  std::string redo_label() const { return undone_.empty() ? "" : undone_.back().label; }
  // Undoes / redoes one edit; false when there is none.
  bool undo();
  bool redo();
  void clear();
  size_t size() const { return done_.size(); }

  // Called after every push, undo, redo and clear.
  std::function<void()> changed;
  size_t limit = 500;

private:
  std::vector<Edit> done_, undone_;
};

// The editor's stack.
EditStack &kx_edits();

// Runs `change` on the rule manager and records the table before and after
// as one edit. Nothing is recorded when `change` returns false or leaves the
// rows as they were.
bool edit_rules(const std::string &label, const std::function<bool()> &change);

// A cell edit of row n: `change` edits a copy of the row's rule, which then
// takes the row's place. False when n is no row or `change` returns false.
bool edit_rule_cell(int n, const std::string &label, const std::function<bool(kxset *rule)> &change);

// Runs `change` on `obj` and records its name and attributes before and
// after. `change` returns false to record nothing (it must then leave the
// object as it was).
bool edit_object(const std::string &label, kxset *obj, const std::function<bool(kxset *obj)> &change);

// Adds `obj` to `table` / removes it, as edits.
void edit_insert_object(const std::string &label, kxset *table, kxset *obj);
bool edit_remove_object(const std::string &label, kxset *table, kxset *obj);

// The rows' rules and the selected row numbers, and putting them back (the
// table counts as modified afterwards).
struct RuleTableState {
  std::vector<KxSetRef> rules;
  std::vector<int> selected; // 1-based
};
RuleTableState rule_table_state();
void rule_table_restore(const RuleTableState &s);
