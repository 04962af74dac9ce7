// The key store "serverkeys": per peer address, this end's current
// one-time-password secret, scrambled and bound to the host.
#pragma once

#include <optional>
#include <string>

namespace kxsys {

// Scrambles (and, being its own inverse, unscrambles) up to max bytes of src,
// stopping before the first NUL of src when `stop_at_nul`.
std::string kxhidestr(const std::string &src, size_t max, bool stop_at_nul = true);
std::string kxshowstr(const std::string &src, size_t max);

// Configuration directory holding "serverkeys" (set by each program).
void kxkey_set_dir(const std::string &confdir);
// Opens (creating when asked) and closes the store; false with the message
// "Cannot open \"PATH\"" on standard error when it can't.
bool kxkey_init(bool create);
std::optional<std::string> kxkey_get(const std::string &peer);
// Replaces the peer's secret. The store is rewritten into a new file and
// renamed into place, so a crash leaves either the old or the new store.
// 0 on success.
int kxkey_put(const std::string &secret, const std::string &peer, bool create);

} // namespace kxsys
