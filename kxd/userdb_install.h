// The module's user database from a download: the decoded set (its `users`
// and `groups`, as the station's user database gives them) is stored record
// by record into a temporary "kxauthtmp.NDB" beside "kxauth.NDB" in the
// database directory, checked (every group member's record lists the
// group), and renamed over the current file only when the whole download
// succeeded; otherwise the temporary goes and the previous file stays in
// force.
#pragma once

namespace kxd {

// Makes kx_dbdownload build the user database this way.
void install_userdb_installer();

} // namespace kxd
