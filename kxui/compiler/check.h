// Verification of a rule base before compilation and on "Verify ...": empty
// cells, rules without an install target and rules that an earlier rule
// hides or overrides.
#pragma once

#include "kxset/kxset.h"

#include <optional>
#include <string>
#include <vector>

// Rules in rule base order (rule 1 first).
using rule_array = std::vector<kxset *>;

// The verification messages of a rule base, or nothing when all is well.
// `mode` selects the install targets that count: 0 the firewall script, 1
// all ("Verify ..."), -1 the router lists. An empty rule base gives
// "Empty Filter\n". The text stops with "\nToo Many Errors\n" once it comes
// within 80 bytes of 2048.
std::optional<std::string> gen_check(const rule_array &rules, int mode);

// A cell with no element once (non-user) groups are opened; Any is not empty.
bool cell_noelements(const kxset *cell);

namespace kxrb {
// Size of a verification text and the margin that ends it.
inline constexpr size_t kCheckTextSize = 2048;
inline constexpr size_t kCheckMargin = 80;
inline constexpr const char kTooMany[] = "\nToo Many Errors\n";
// Appends "\nToo Many Errors\n" and returns true once `text` has come within
// the margin of the end.
bool check_full(std::string &text);
} // namespace kxrb
