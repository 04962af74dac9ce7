// What a module's collector says about its module: the interface list of
// the module directory's "interfaces" file, and the log-info record of the
// filter the module daemon keeps as the "local" family in "state" (what the
// packet filter announces when its log restarts).
#pragma once

#include "kxlog/logrec.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace kxlogd {

// The module's interfaces, numbered in the order the file names them
// (default le0 and le1).
std::vector<kxif> module_interfaces(const std::string &moduledir);

struct ModuleFilter {
  std::string name;
  std::vector<uint8_t> info; // log-info data: identity, format and domain texts
  time_t changed = 0;        // modification time of the filter's files
};
// The filter installed on the module, or nullopt when none is.
std::optional<ModuleFilter> module_filter(const std::string &moduledir);
// When the installed filter's files last changed (0: none installed).
time_t module_filter_changed(const std::string &moduledir);

} // namespace kxlogd
