// Reading a filter script (.pf) for kx load, once: the script the module's
// filter compiler takes, and from the same reading the compiled files "ft"
// (the lists as address tables) and "lg" (the log format text of the tracks
// the rules use).
#pragma once

#include "kxnft/script.h"

#include <string>
#include <string_view>

namespace kx {

struct Compiled {
  kxnft::Script script;
  std::string ft, lg;
};

// `name` is the filter's base name (first line of ft and lg). Tables and
// log formats come from the filter code only.
Compiled compile_script(const std::string &name, std::string_view text);

} // namespace kx
