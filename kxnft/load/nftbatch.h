// Loading our own rulesets without nft's parser. The text the filter
// compiler writes is read statement by statement and becomes the netlink
// messages of one nf_tables transaction (built with libnftnl), which the
// kernel takes or refuses whole: the table inet kx is replaced, or it stays
// as it was. Only what the compiler writes for the hooks, the checks' map
// runs and the verdict chains is known here; a ruleset with any other
// statement is not read, and the caller hands it to libnftables.
#pragma once

#include <string>
#include <vector>

namespace kxnft {

// The messages that replace the table inet kx (`table_exists`: there is
// one to delete) by `ruleset`; false (`why` names the line) when the text
// holds something this reader does not know.
bool replace_batch(const std::string &ruleset, bool table_exists, std::vector<char> &batch, std::string &why);

// Whether the table inet kx is there; false (`err` says why) when the
// kernel cannot be asked.
bool table_in_force(bool &exists, std::string &err);

// Sends a batch of messages in one transaction; false (`err` says why) when
// the kernel refused it or could not be reached. The netlink socket stays
// open for the process's next loads.
bool send_batch(const std::vector<char> &batch, std::string &err);

} // namespace kxnft
