// Installing a downloaded objects and user database, with commit or roll-back.
#pragma once

#include "kxsys/records.h"

#include <string>

class kxset;

namespace kxsys {

// How the user database of a download is installed. Programs that link the
// user database library install theirs (the module's "kxauth.NDB" built
// from the decoded set); without one the encoded bytes are kept as
// "kxauth.db".
struct kx_userdb_installer {
  // Builds the new user database from the decoded set for the gateway named
  // `gateway` (the name the users' S/Key chains are checked under); 0, or -1
  // with the reason in `message` and the current database in force. An
  // installer may put the build in force here, all or nothing; it is then
  // the last step of a download.
  int (*build)(const std::string &dbdir, const kxset *users, const std::string &gateway,
               std::string &message) = nullptr;
  // Puts a pending build in force, or (failed) throws it away; the failures.
  int (*finish)(const std::string &dbdir, bool failed) = nullptr;
};
void kx_set_userdb_installer(const kx_userdb_installer &installer);

// Checks both encoded databases and writes them beside the current ones in
// dbdir: "objects.C.tmp" (set text), then the user database through the
// installer, for the gateway `gateway`. Nothing current is touched but what
// the installer puts in force. 0 on success, -1 with the reason in `message`
// ("Empty database", "Failed to decode objects", ...).
int kx_dbdownload(const std::string &dbdir, const kxloaddb_t &database, const std::string &gateway,
                  std::string &message);
// Commits (renames the temporaries over the current files, puts the user
// database in force) unless `failed`, else deletes them; returns the number
// of failures.
int kx_dbdownload_verify(const std::string &dbdir, bool failed);

} // namespace kxsys
