// The install dialog of "Install ...", "Uninstall ..." and the database
// download: the rows of the request, "Apply" running the InstallChain with
// each command's output shown and each target's result beside it.
#pragma once

#include "kxui/install/install.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProcess;
class QTreeWidget;

class InstallDialog : public QDialog {
public:
  InstallDialog(const InstallRequest &request, QWidget *parent);
  ~InstallDialog() override;
  void apply();
  bool busy() const { return process_ != nullptr; }
  // Called when a chain has ended (tests wait for it).
  std::function<void()> done;

private:
  void show_request();
  void fill(const std::vector<InstallRow> &rows, const QStringList &selected);
  QStringList selected_names() const;
  void append(const QString &text);
  void show_results();
  void run_next();
  void ended(int status);

  InstallRequest request_;
  std::optional<InstallChain> chain_;
  InstallCommand running_;
  QProcess *process_ = nullptr;
  QLabel *label_, *footer_;
  QTreeWidget *rows_;
  QCheckBox *hosts_, *routers_;
  QPlainTextEdit *output_;
};

// Opens (or raises) the dialog of the request's mode.
QDialog *open_install_dialog(QWidget *parent, const InstallRequest &request);
