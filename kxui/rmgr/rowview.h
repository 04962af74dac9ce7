// The widgets of one rule row, as the rule manager sees them. Each
// presentation of the rule table (a drawn table, a panel of controls per
// rule) implements these two interfaces; the manager's behaviour is the same
// for all of them.
#pragma once

#include "kxset/kxset.h"

#include <memory>
#include <vector>

// The view of one row.
class RuleRowView {
public:
  virtual ~RuleRowView() = default;

  // Fills the widgets from the rule's cells.
  virtual void put(const kxset *rule) = 0;
  // Stores the widgets' current values into the rule's cells.
  virtual void get(kxset *rule) = 0;

  // The row's selection state.
  virtual bool selected() const = 0;
  virtual void set_selected(bool on) = 0;

  // The view's position; move places it.
  virtual void position(int *x, int *y) const = 0;
  virtual void move(int x, int y) = 0;

  // The main window was opened (true) or closed to an icon (false).
  virtual void openclose(bool open) = 0;

  // Called just before the view is dropped. -1 when the toolkit refuses; the
  // row then stays in the table.
  virtual int destroy() { return 0; }
};

// A row view that keeps its selection and position itself; presentations
// whose widgets do not hold these derive from it.
class RuleRowViewBase : public RuleRowView {
public:
  bool selected() const override { return selected_; }
  void set_selected(bool on) override { selected_ = on; }
  void position(int *x, int *y) const override {
    *x = x_;
    *y = y_;
  }
  void move(int x, int y) override {
    x_ = x;
    y_ = y;
  }

private:
  bool selected_ = false;
  int x_ = 0, y_ = 0;
};

// One presentation: makes row views and lays them out.
class RuleRowViews {
public:
  virtual ~RuleRowViews() = default;

  // A new view for row number `number` (1-based), or null when the toolkit
  // cannot make one.
  virtual std::unique_ptr<RuleRowView> create(int number) = 0;
  // Puts the default cell values of a new row into a fresh rule.
  virtual void defaults(kxset *rule) = 0;
  // Lays the views out in table order and numbers them from 1.
  virtual void arrange(const std::vector<RuleRowView *> &views) = 0;
};
