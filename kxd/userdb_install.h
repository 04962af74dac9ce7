// The module's user database from a download, built by the user database
// library's kxa_build_db: the decoded set (its `users` and `groups`, as the
// station's user database gives them) is stored into a temporary
// "kxauthtmp.NDB" beside "kxauth.NDB" in the database directory, the S/Key
// chains of the users checked on this gateway go into its chain file
// "kxauth.skey" there, and the temporary replaces the current file only when
// the whole build verifies; otherwise the temporary goes and the previous
// database and chain file stay in force.
#pragma once

namespace kxd {

// The chain file of the users' S/Key chains, in the database directory.
inline constexpr const char *kUserChainFile = "kxauth.skey";

// Makes kx_dbdownload build the user database this way.
void install_userdb_installer();

} // namespace kxd
