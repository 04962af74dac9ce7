// The one-time-password method "skey" of the handshake, over the S/Key
// primitives and chain file of lib/kxskey.
//
// The serving side keeps one chain per peer (user name = the peer's dotted
// address) in its S/Key key file; the calling side keeps, per daemon, the
// secret of its chain in "serverkeys". The seed of every chain is the
// calling side's own dotted address.
#pragma once

#include <string>

namespace kxsys {

// Length of new chains; a chain is renewed when the challenge is below 5.
inline constexpr int kxchainlen = 100;
inline constexpr int kxchain_renew_below = 5;

// Installs the "skey" operations in the method table. The serving side's
// key file is `keyfile` in `confdir`.
void kx_skey_install(const std::string &confdir, const std::string &keyfile = "skeykeys");

// A new secret: 8 characters of "abcdefghigklmnopqrstuvwxyz0123456789_".
std::string skey_new_secret();

// Sets up a chain by hand: stores a new secret for `module` (dotted) in
// "serverkeys" and gives the key file line the module needs for this end
// (`seed`: this end's address as the module sees it). Empty on failure.
std::string kx_skey_newchain(const std::string &module, const std::string &seed, int length = kxchainlen);

} // namespace kxsys
