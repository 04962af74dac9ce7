// Fuzz targets feed inputs that are refused by design: their messages go
// nowhere instead of flooding the output.
#pragma once

#include "kxu/report.h"

namespace kxfuzz {

class Quiet : public kxu::ReportFrontEnd {
public:
  bool notice(const std::string &) override { return true; }
  void status(const std::string &) override {}
  int ask(const std::string &) override { return 1; }
};

// Installs a Quiet front end for the rest of the process.
inline void silence_reports() {
  static Quiet quiet;
  static kxu::ScopedFrontEnd front_end(&quiet);
}

} // namespace kxfuzz
