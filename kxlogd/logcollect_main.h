// The collector role of kxlogd.
#pragma once

#include <string>

namespace kxlogd {

// Runs the collector of `moduledir`: servers is a comma-separated list (empty:
// local only), origin the module's address (empty: this host's). Prints
// "kxlogd: collecting ..." once it reads messages; returns the exit status.
int collect_main(const std::string &moduledir, const std::string &servers, int port, int retry,
                 const std::string &origin);

} // namespace kxlogd
