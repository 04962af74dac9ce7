// The module's filter compiler: a filter script becomes one nftables
// ruleset, all of it in the table "inet kx".
//
// Packets are checked twice, as the filter language says: once where they
// come in (the "inbound" chain, from the input and forward hooks) and once
// where they leave (the "outbound" chain, from the forward and output
// hooks); each check ends in a drop when no statement decides. Packets of
// connections the filter has already let through (replies included) pass
// by connection tracking. Runs of rules that test only addresses and
// tcp/udp ports are looked up in hash maps keyed on masked fields (one
// lookup per shape of key, whatever the number of rules, and those of a
// destination prefix length only when a set of that length holds the
// packet's destination; see group.h). In a "first hit" run the first key
// found puts the place of its rule in the packet mark and goes to the run's
// chain "k<run>_<in|out>"; else every key found jumps to the chain
// "c<statement>_<in|out>", which keeps the lowest place in the mark. Then
// the mark picks the rule's counter and verdict (a chain
// "v<statement>_<in|out>" when it logs or rejects). The packet mark is the
// check's own: a run that decides nothing leaves it as it was or clears it,
// and it is set before it is read. Every rule counts into a named counter
// "<action>_r<N>" ("_log" appended when the rule is tracked), and a
// tracked rule logs through NFLOG with the prefix
// "kx <rule> <format> <action> <alert>".
#pragma once

#include "script.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kxnft {

// The object names (lower case, as the script writes them) that the module
// answers to in scopes such as "all@gw".
struct Identity {
  std::set<std::string> names;
};

struct Options {
  int nflog_group = 1;
  std::string title; // first comment line, e.g. the filter and module names
  // Runs of rules on addresses and ports as hash map lookups (see
  // group.h); without, every rule is tested in turn.
  bool maps = true;
  // Runs whose keys closed under intersection stay few are looked up first
  // hit (see group.h); without, every run keeps the lowest place found.
  bool first_hit = true;
};

struct Result {
  bool ok = false;
  std::string ruleset; // when ok
  std::string error;   // when not: names the rule that cannot be enforced
};

Result compile_ruleset(const Script &script, const Identity &self, const Options &options = {});
Result compile_ruleset(const std::string &script_text, const Identity &self, const Options &options = {});

// The objects of the script a module is: those named `word` and those whose
// address (or an interface's address) is one of `addrs` (network order).
Identity identity_for(const Script &script, const std::string &word, const std::vector<uint32_t> &addrs);
// The same for several modules in one pass over the script's addresses.
struct ModuleName {
  std::string word;
  std::vector<uint32_t> addrs; // network order
};
std::vector<Identity> identities_for(const Script &script, const std::vector<ModuleName> &modules);

// One condition of a statement in conjunctive form: every clause must hold;
// a clause holds when one of its alternatives (each a run of nft matches)
// matches, or, negated, when none does.
struct Clause {
  bool negated = false;
  std::vector<std::string> alts;
};

} // namespace kxnft
