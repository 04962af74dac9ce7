// Fuzz targets feed inputs that are refused by design: their messages go
// nowhere instead of flooding the output.
#pragma once

#include "kxu/quiet_report.h"

namespace kxfuzz {

// Installs a front end that shows nothing for the rest of the process.
inline void silence_reports() {
  static kxu::QuietFrontEnd quiet(1);
  static kxu::ScopedFrontEnd front_end(&quiet);
}

} // namespace kxfuzz
