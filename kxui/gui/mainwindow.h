// The main window of the rule base editor: the rule table, the menus and
// buttons, the footer, and the commands they run.
#pragma once

#include "kxui/gui/frontend.h"
#include "kxui/gui/rulemodel.h"
#include "kxui/rmgr/rmgr.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class ObjectManager;

class MainWindow : public QMainWindow {
public:
  MainWindow();
  ~MainWindow() override;

  RuleTable *table() const { return table_; }
  RuleModel *model() const { return model_; }

  // The commands of the menus (public so that tests and the screenshot run
  // drive the same paths as the menus).
  bool load(const QString &path);
  bool save_as(const QString &path);
  bool save();
  void close_rulebase();
  void new_rule(rule_place where);
  void cut();
  void copy();
  void paste(rule_place where);
  void delete_rules();
  void move_selection(int by); // -1 up, +1 down
  void move_rows(const std::vector<int> &rows, int before);
  void undo();
  void redo();
  bool verify();
  bool compile();
  void view_cisco();
  // Adds objects to a cell of a row (1-based row, RuleModel column).
  bool add_to_cell(int row, int column, const QStringList &names);
  bool remove_from_cell(int row, int column, const QString &name);
  bool set_cell_op(int row, int column, bool negated);
  bool set_cell_choice(int row, int column, const QString &name);
  void open_cell(const QModelIndex &index);
  void where_used(const QString &name);
  void jump_to_rule(int row);
  ObjectManager *manager(int list); // ObjList as int; opened on demand
  void control_properties();
  // "Save Layout": the window's place and the rule table's column widths,
  // put back at the next start by restore_layout.
  bool save_layout();
  void restore_layout();

  // Shows the rule table again after the rows changed, keeping the
  // manager's selection.
  void refresh();
  void update_title();
  QString footer_text() const;

protected:
  void closeEvent(QCloseEvent *e) override;

private:
  void build_menus();
  void sync_selection_to_manager();
  void sync_selection_from_manager();
  QAction *act(const char *name, const QString &text, std::function<void()> fn,
               QKeySequence key = {});

  RuleTable *table_;
  RuleModel *model_;
  std::unique_ptr<GuiFrontEnd> frontend_;
  std::unique_ptr<kxu::ScopedFrontEnd> scoped_;
  QPointer<ObjectManager> managers_[3];
  bool syncing_ = false;
};

// The one main window while it exists.
MainWindow *kx_basewin();
