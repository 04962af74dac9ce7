// The report front end while the main window is up: notices and questions
// as modal message boxes, status lines in the footer.
#pragma once

#include "kxu/report.h"

#include <QPointer>
#include <QStatusBar>

class GuiFrontEnd : public kxu::ReportFrontEnd {
public:
  explicit GuiFrontEnd(QStatusBar *footer) : footer_(footer) {}
  bool notice(const std::string &text) override;
  void status(const std::string &line) override;
  int ask(const std::string &question) override;

private:
  QPointer<QStatusBar> footer_;
};
