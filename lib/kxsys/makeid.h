// Identity of a compiled filter.
#pragma once

#include "kxsys/records.h"

#include <string>

namespace kxsys {

// name: the filter's base name; mode 0: filter id = now; -1: the MD4 of the
// "lg" file's text after its first line when it has one, else now; any other
// mode is the id itself. `directory` holds NAME.lg.
kxid_t kx_makeid(const std::string &directory, const std::string &name, int mode);
// The same from the log-format text in memory (nullopt: not read).
kxid_t kx_makeid_text(const std::string &name, const std::optional<std::string> &lg, int mode);

} // namespace kxsys
