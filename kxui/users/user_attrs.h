// User properties: the date and time fields and the S/Key chain of a user.
#pragma once

#include "kxset/kxset.h"
#include "kxskey/skey.h"

#include <optional>
#include <string>
#include <vector>

class SkeyFile;

// "dd-mmm-yy" and its variants to "%02d-%s-%04d"; an empty field gives
// "31-Dec-99". Null (after reporting "Illegal Date Format: ...") when refused.
std::optional<std::string> check_date(const std::string &field);
// "hh:mm" to "%02d:%02d"; null (reported) when refused.
std::optional<std::string> check_time(const std::string &field);

struct SkeyPassword {
  std::string hex, words;
};
// Passwords 1..n (index i - 1) of the chain of seed and secret.
std::vector<SkeyPassword> skey_chain(const std::string &seed, const std::string &secret, int n);
// The chain length the window uses: less than 1 is 100, more than 256 is 256.
int skey_chain_length(int n);
// 9 random characters with blanks stripped, drawn again until at least 7
// remain.
std::string skey_random_secret();
// The saved chain listing: one "%3d %-33s %-16s\n" line per password, from
// n down to 1.
std::string skey_chain_listing(const std::vector<SkeyPassword> &chain);

// Enters `user` in the gateway's chain file when its SKEY_gateway is `host`:
// touched only when `previous` has the same SKEY_passwd and SKEY_gateway,
// else updated with SKEY_seed, the key in hexadecimal and SKEY_number.
// 0 (also when the user is not the host's), -1 for a key that is neither
// form ("Illegal S/Key password <%s> (user %s)").
int check_skey(const kxset *user, const kxset *previous, const std::string &host,
               SkeyFile &file);
