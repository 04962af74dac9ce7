// A report front end for tests: keeps the notices and status lines it is
// given and answers every question with Cancel.
#pragma once

#include "kxu/report.h"

#include <string>
#include <vector>

namespace kxtest {

class CollectReports : public kxu::ReportFrontEnd {
public:
  bool notice(const std::string &text) override {
    notices.push_back(text);
    return true;
  }
  void status(const std::string &line) override { lines.push_back(line); }
  int ask(const std::string &) override { return 1; }

  std::string last_line() const { return lines.empty() ? "" : lines.back(); }
  // Every notice followed by a newline, for failure messages.
  std::string joined() const {
    std::string all;
    for (const std::string &n : notices) all += n + "\n";
    return all;
  }

  std::vector<std::string> notices, lines;
};

} // namespace kxtest
