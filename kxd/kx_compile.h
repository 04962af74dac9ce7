// Turning a filter script (.pf) into the compiled files a module loads:
// "fc" (the rule statements), "ft" (the lists as address tables) and "lg"
// (the log format text of the tracks the rules use).
#pragma once

#include <string>
#include <string_view>

namespace kx {

struct Compiled {
  std::string fc, ft, lg;
};

// `name` is the filter's base name (first line of fc and lg). Without
// `code`, fc stays empty: kx load sends the module's ruleset as fc instead.
Compiled compile_script(const std::string &name, std::string_view script, bool code = true);

} // namespace kx
