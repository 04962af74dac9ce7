// Installing a downloaded objects and user database, with commit or roll-back.
#pragma once

#include "kxsys/records.h"

#include <string>

namespace kxsys {

// Checks both encoded databases and writes them beside the current ones in
// dbdir: "objects.C.tmp" (set text) and "kxauth.db.tmp" (the user database
// as it was encoded). Nothing current is touched. 0 on success, -1 with the
// reason in `message` ("Empty database", "Failed to decode objects", ...).
int kx_dbdownload(const std::string &dbdir, const kxloaddb_t &database, std::string &message);
// Commits (renames the temporaries over the current files) unless `failed`,
// else deletes them; returns the number of failures.
int kx_dbdownload_verify(const std::string &dbdir, bool failed);

} // namespace kxsys
