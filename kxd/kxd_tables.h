// Reading the compiled "ft" (tables) and "fc" (filter code) files that kx
// makes from a filter script.
#pragma once

#include "kxsys/records.h"

#include <string>
#include <vector>

namespace kxd {

// "ft": one table per line: NAME KIND VALUE..., values dotted addresses or
// numbers. Lines that don't parse are skipped; at most 4096 tables.
std::vector<kxsys::kxtab_t> parse_tables(const std::string &ft);
// The "domain" lines of the filter code, concatenated.
std::string domain_lines(const std::string &fc);

} // namespace kxd
