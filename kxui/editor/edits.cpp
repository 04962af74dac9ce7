#include "kxui/editor/edits.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/rmgr.h"

#include <utility>

namespace {

void notify(const EditStack &s) {
  if (s.changed) s.changed();
}

bool same_rows(const RuleTableState &a, const RuleTableState &b) {
  if (a.rules.size() != b.rules.size()) return false;
  for (size_t i = 0; i < a.rules.size(); ++i)
    if (a.rules[i].get() != b.rules[i].get()) return false;
  return true;
}

// An object's name and attributes (values shared: edits replace values and
// never change a recorded one in place).
struct ObjectState {
  KxSetRef copy;
  explicit ObjectState(const kxset *obj) : copy(kxobj_dupobj(obj)) {}
  void restore(kxset *obj) const {
    obj->setname(copy->getnamea());
    kxobj_copyback(obj, copy.get());
    obj_modified = 1;
  }
};

} // namespace

void EditStack::push(Edit e) {
  done_.push_back(std::move(e));
  if (done_.size() > limit) done_.erase(done_.begin());
  undone_.clear();
  notify(*this);
}

bool EditStack::undo() {
  if (done_.empty()) return false;
  Edit e = std::move(done_.back());
  done_.pop_back();
  e.undo();
  undone_.push_back(std::move(e));
  notify(*this);
  return true;
}

bool EditStack::redo() {
  if (undone_.empty()) return false;
  Edit e = std::move(undone_.back());
  undone_.pop_back();
  e.redo();
  done_.push_back(std::move(e));
  notify(*this);
  return true;
}

void EditStack::clear() {
  done_.clear();
  undone_.clear();
  notify(*this);
}

EditStack &kx_edits() {
  static EditStack *stack = new EditStack; // lives as long as the rules it holds
  return *stack;
}

RuleTableState rule_table_state() {
  RuleTableState s;
  const int n = rmgr_count();
  s.rules.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) {
    s.rules.emplace_back(rmgr_rule(i));
    if (rmgr_selected(i)) s.selected.push_back(i);
  }
  return s;
}

void rule_table_restore(const RuleTableState &s) {
  rule_set_rules(s.rules);
  for (int n : s.selected) rmgr_select(n, nullptr, 1);
  rule_modified = 1;
}

bool edit_rules(const std::string &label, const std::function<bool()> &change) {
  RuleTableState before = rule_table_state();
  if (!change()) return false;
  RuleTableState after = rule_table_state();
  if (same_rows(before, after)) return false;
  kx_edits().push({label, [before] { rule_table_restore(before); },
                   [after] { rule_table_restore(after); }});
  return true;
}

bool edit_rule_cell(int n, const std::string &label, const std::function<bool(kxset *rule)> &change) {
  kxset *old = rmgr_rule(n);
  if (!old) return false;
  return edit_rules(label, [&] {
    KxSetRef copy(rule_copy(old));
    if (!change(copy.get())) return false;
    return rmgr_replace(n, copy.get()) == 0;
  });
}

bool edit_object(const std::string &label, kxset *obj, const std::function<bool(kxset *obj)> &change) {
  if (!obj) return false;
  auto before = std::make_shared<ObjectState>(obj);
  if (!change(obj)) return false;
  auto after = std::make_shared<ObjectState>(obj);
  KxSetRef held(obj);
  obj_modified = 1;
  kx_edits().push({label, [held, before] { before->restore(held.get()); },
                   [held, after] { after->restore(held.get()); }});
  return true;
}

void edit_insert_object(const std::string &label, kxset *table, kxset *obj) {
  KxSetRef t(table), o(obj);
  kxobj_append(table, obj);
  obj_modified = 1;
  kx_edits().push({label,
                   [t, o] {
                     kxobj_delete(t.get(), o.get());
                     obj_modified = 1;
                   },
                   [t, o] {
                     kxobj_append(t.get(), o.get());
                     obj_modified = 1;
                   }});
}

bool edit_remove_object(const std::string &label, kxset *table, kxset *obj) {
  if (!table || !obj) return false;
  int at = -1;
  for (int i = 0, n = table->getnattr(); i < n && at < 0; ++i)
    if (table->get(i) == obj) at = i;
  if (at < 0) return false;
  KxSetRef t(table), o(obj);
  const KxAtom name = table->getattrnamea(at);
  table->remove(at);
  obj_modified = 1;
  kx_edits().push({label,
                   [t, o, at, name] {
                     t->insert(at, name, o.get());
                     obj_modified = 1;
                   },
                   [t, o] {
                     kxobj_delete(t.get(), o.get());
                     obj_modified = 1;
                   }});
  return true;
}
