// Rule-level difference of two rule bases: rules added, removed, moved and
// changed. Rules are matched by content first (every cell's members by name,
// case ignored, and its negation), keeping the longest run in the same order
// in place (the others of equal content moved); between two kept rules, what
// is left on both sides is paired in order as changed rules, the rest
// removed or added.
#pragma once

#include "kxui/compiler/check.h"

#include <string>
#include <vector>

namespace kxan {

// The content of a rule as the comparison sees it: one line per cell.
std::string rule_content(const kxset *rule);

struct RuleChange {
  enum Kind { added, removed, moved, changed } kind;
  int old_number = 0, new_number = 0; // 1-based; 0 when not on that side
  std::vector<std::string> cells;     // changed: the cells that differ
};

struct RuleDiff {
  std::vector<RuleChange> changes; // removed and changed in old order, then moved, then added
  // Old and new rule numbers of the rules that kept content and order.
  std::vector<std::pair<int, int>> kept;
};

// `old_content` and `new_content` are rule_content of each rule in order.
RuleDiff diff_rules(const std::vector<std::string> &old_content, const std::vector<std::string> &new_content);

const char *change_word(RuleChange::Kind k);

} // namespace kxan
