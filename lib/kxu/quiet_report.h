// A report front end that shows nothing and gives every question one answer:
// for runs where reports are expected and nobody reads them (measurements,
// fuzzing).
#pragma once

#include "kxu/report.h"

#include <string>

namespace kxu {

class QuietFrontEnd : public ReportFrontEnd {
public:
  explicit QuietFrontEnd(int answer = 0) : answer_(answer) {}
  bool notice(const std::string &) override { return true; }
  void status(const std::string &) override {}
  int ask(const std::string &) override { return answer_; }

private:
  int answer_;
};

} // namespace kxu
