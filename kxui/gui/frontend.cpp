#include "kxui/gui/frontend.h"

#include "kxui/gui/gui.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {
const GuiUnattended *unattended = nullptr;
}

void gui_set_unattended(const GuiUnattended *u) { unattended = u; }

bool GuiFrontEnd::notice(const std::string &text) {
  if (unattended) {
    if (unattended->notice) unattended->notice(text);
    std::fprintf(stderr, "notice: %s\n", text.c_str());
    return true;
  }
  QMessageBox box(QMessageBox::Warning, "Brenmark Notice", QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
  return true;
}

void GuiFrontEnd::status(const std::string &line) {
  if (footer_) footer_->showMessage(QString::fromStdString(line.substr(0, 255)));
}

int GuiFrontEnd::ask(const std::string &question) {
  if (unattended) return unattended->answer;
  QMessageBox box(QMessageBox::Question, "Brenmark", QString::fromStdString(question),
                  QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
  return box.exec() == QMessageBox::Ok ? 0 : 1;
}
