// Utilities > "Import...": reads the hosts, networks and netgroup tables,
// shows what each entry would become with a choice per clash, and applies
// the choices as one edit of the undo stack. The readers, the plan and the
// edit are kxui/import's; this window shows and forwards.
#pragma once

#include "kxui/import/import.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

class ImportDialog : public QDialog {
public:
  explicit ImportDialog(QWidget *parent);
  // "Read": the checked tables, sorted against the network objects.
  void read();
  // "Apply": the choices shown; false when refused (nothing changed).
  bool apply();
  const ImportPlan &plan() const { return plan_; }
  // Sets the choice of an entry's row (and the new name of a rename).
  bool choose(const QString &entry, ImportChoice choice, const QString &new_name = {});

private:
  void show_plan();
  void show_messages(const std::vector<std::string> &messages, size_t more);

  ImportSetup setup_;
  ImportPlan plan_;
  QCheckBox *use_[3];
  QLineEdit *path_[3];
  QTableWidget *entries_;
  QLabel *summary_;
  QPlainTextEdit *messages_;
};

// Opens (or raises) the import window of the main window.
ImportDialog *open_import_dialog(QWidget *parent);
