// Loading the module's ruleset into nftables (libnftables), reading its
// counters, and telling whether this is the initial network namespace.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kxnft {

struct NftRun {
  bool ok = false;
  std::string out, err;
  bool direct = false; // loaded by our own messages (nftbatch.h), not libnftables
};

// Runs nft commands as one transaction.
NftRun nft_run(const std::string &commands, bool dry_run = false);
// Replaces the table inet kx by `ruleset` in one transaction: either the
// new table is in force, or nftables refused and the old one still is (and
// err holds nft's message). The messages are our own where nftbatch.h
// knows every statement, else libnftables reads the text.
NftRun nft_replace(const std::string &ruleset);
// Removes the table inet kx (nothing else); fine when there is none.
NftRun nft_remove();

struct CounterValue {
  uint64_t packets = 0, bytes = 0;
};
// The named counters of the table inet kx; empty when there is no table.
std::map<std::string, CounterValue> nft_counters();

// What the counters say, by the names the filter compiler gives them.
struct FilterCounts {
  uint64_t accepted = 0, rejected = 0, dropped = 0, logged = 0;
  std::map<int, uint64_t> per_rule; // packets decided by rule N
};
FilterCounts summarize(const std::map<std::string, CounterValue> &counters);
// Reads the text of "list counters" (exposed for tests).
std::map<std::string, CounterValue> parse_counters(const std::string &listing);

// True in the network namespace of process 1 (the station's own); where
// process 1 cannot be seen, true unless this is a namespace that ip netns
// made. True when it cannot be told.
bool in_initial_netns();

} // namespace kxnft
