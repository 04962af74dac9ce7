// "Save Layout" and its use at start: the main window's geometry and the
// rule table's column widths through the layout file.
#include "kxui/editor/layout.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/rulemodel.h"
#include "kxu/report.h"

#include <QHeaderView>
#include <QStringList>

bool MainWindow::save_layout() {
  WindowLayout layout;
  layout["main"] = saveGeometry().toBase64().toStdString();
  QStringList widths;
  for (int c = 0; c < model_->columnCount(); ++c) widths << QString::number(table_->columnWidth(c));
  layout["columns"] = widths.join(' ').toStdString();
  if (!layout_save(layout_file(), layout)) return false;
  kx_message("Layout saved");
  return true;
}

void MainWindow::restore_layout() {
  const std::optional<WindowLayout> layout = layout_load(layout_file());
  if (!layout) return;
  if (auto at = layout->find("main"); at != layout->end())
    restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(at->second)));
  if (auto at = layout->find("columns"); at != layout->end()) {
    const QStringList widths = QString::fromStdString(at->second).split(' ', Qt::SkipEmptyParts);
    for (int c = 0; c < widths.size() && c < model_->columnCount(); ++c) {
      bool ok = false;
      const int w = widths[c].toInt(&ok);
      if (ok && w > 0 && w < 10000) table_->setColumnWidth(c, w);
    }
  }
}
