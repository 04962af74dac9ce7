// Editing the cells of the rule table: the cell menus and the cell commands.
#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <QCursor>
#include <QMenu>

namespace {

bool object_column(int column) {
  return column == RuleModel::source || column == RuleModel::destination || column == RuleModel::services;
}

// The table a cell's items come from.
kxset *cell_table(int column) {
  switch (column) {
  case RuleModel::services:
    return kx_services;
  case RuleModel::action:
    return kx_actions;
  case RuleModel::track:
    return kx_trackobj;
  case RuleModel::install:
    return kx_targets;
  default:
    return kx_netobj;
  }
}

bool is_any(const kxset *rule, const char *cell) {
  const std::string items = rule_get(rule, cell, "");
  return items.empty() || items == "Any";
}

} // namespace

bool MainWindow::add_to_cell(int row, int column, const QStringList &names) {
  const char *cell = RuleModel::cell_name(column);
  if (!cell || names.isEmpty()) return false;
  if (!object_column(column)) return set_cell_choice(row, column, names.front());
  const bool done = edit_rule_cell(row, "Add to Cell", [&](kxset *rule) {
    bool changed = false;
    for (const QString &n : names) {
      const std::string name = n.toStdString();
      if (name == "Any") {
        changed = rule_set_item(rule, cell, "Any") == 0 || changed;
        continue;
      }
      kxset *obj = kxobj_member(cell_table(column), name.c_str());
      if (!obj) {
        kx_message("No object '%s' for this cell", name.c_str());
        continue;
      }
      if (is_any(rule, cell)) {
        kxset *set = rule_get_set(rule, cell);
        if (set) set->remove(KxAtom::null());
      }
      changed = rule_put(rule, cell, "", obj) > 0 || changed;
    }
    return changed;
  });
  refresh();
  return done;
}

bool MainWindow::remove_from_cell(int row, int column, const QString &name) {
  const char *cell = RuleModel::cell_name(column);
  if (!cell) return false;
  const bool done = edit_rule_cell(row, "Delete from Cell", [&](kxset *rule) {
    if (rule_del(rule, cell, "", name.toUtf8().constData()) != 0) return false;
    if (rule_get(rule, cell, "").empty()) {
      rule_set_item(rule, cell, "Any");
      rule_set(rule, cell, RULE_OP, RULE_IN);
    }
    return true;
  });
  refresh();
  return done;
}

bool MainWindow::set_cell_op(int row, int column, bool negated) {
  const char *cell = RuleModel::cell_name(column);
  if (!cell || !object_column(column)) return false;
  const bool done = edit_rule_cell(row, negated ? "Is Not" : "Is", [&](kxset *rule) {
    if ((rule_negated(rule, cell) != 0) == negated) return false;
    return rule_set(rule, cell, RULE_OP, negated ? RULE_NOT_IN : RULE_IN) == 0;
  });
  refresh();
  return done;
}

bool MainWindow::set_cell_choice(int row, int column, const QString &name) {
  const char *cell = RuleModel::cell_name(column);
  if (!cell) return false;
  const bool done = edit_rule_cell(row, "Set Cell", [&](kxset *rule) {
    if (rule_get(rule, cell, "") == name.toStdString()) return false;
    if (name.isEmpty()) {
      kxset *set = rule_get_set(rule, cell);
      while (set && set->getnattr() > 0) set->remove(0);
      return true;
    }
    return rule_set_item(rule, cell, name.toUtf8().constData()) == 0;
  });
  refresh();
  return done;
}

void MainWindow::open_cell(const QModelIndex &index) {
  const int row = index.row() + 1, column = index.column();
  const char *cell = RuleModel::cell_name(column);
  const kxset *rule = rmgr_rule(row);
  if (!cell || !rule) return;
  QMenu menu(this);
  menu.setObjectName("cellMenu");
  if (object_column(column)) {
    menu.addAction("Add ...", [this, row, column] {
      const QStringList names = choose_objects(this, cell_table(column), "Add to Cell");
      if (!names.isEmpty()) add_to_cell(row, column, names);
    });
    QMenu *del = menu.addMenu("Delete");
    const bool any = is_any(rule, cell);
    for (const std::string &item : kxobj_sons(rule_get_set(rule, cell)))
      del->addAction(QString::fromStdString(item), [this, row, column, item] {
        remove_from_cell(row, column, QString::fromStdString(item));
      });
    del->setEnabled(!any);
    const bool negated = rule_negated(rule, cell);
    QAction *is = menu.addAction("Is", [this, row, column] { set_cell_op(row, column, false); });
    QAction *isnot = menu.addAction("Is Not", [this, row, column] { set_cell_op(row, column, true); });
    is->setEnabled(negated);
    isnot->setEnabled(!negated && !any);
    menu.addSeparator();
    menu.addAction("Where Used ...", [this, rule, cell] {
      const auto items = kxobj_sons(rule_get_set(rule, cell));
      where_used(items.empty() ? QString() : QString::fromStdString(items.front()));
    });
  } else {
    const std::string current = rule_get(rule, cell, "");
    if (column == RuleModel::track)
      menu.addAction("None", [this, row, column] { set_cell_choice(row, column, ""); });
    for (const std::string &name : kxobj_names(cell_table(column))) {
      QAction *a = menu.addAction(QString::fromStdString(name), [this, row, column, name] {
        set_cell_choice(row, column, QString::fromStdString(name));
      });
      a->setCheckable(true);
      a->setChecked(name == current);
    }
    if (column == RuleModel::install) {
      menu.addSeparator();
      for (const std::string &name : kx_getsysconf())
        menu.addAction(QString::fromStdString(name), [this, row, column, name] {
          set_cell_choice(row, column, QString::fromStdString(name));
        });
    }
  }
  const QRect r = table_->visualRect(index);
  menu.exec(r.isValid() ? table_->viewport()->mapToGlobal(r.bottomLeft()) : QCursor::pos());
}
