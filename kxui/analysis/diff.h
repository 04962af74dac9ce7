// Comparing two rule bases: the rule-level changes and, per install target,
// the traffic decided differently. The two sides may have been read against
// different objects databases: each side is modelled while its own objects
// are loaded, and only plain data is kept.
#pragma once

#include "kxui/analysis/model.h"
#include "kxui/analysis/rulediff.h"
#include "kxui/analysis/semdiff.h"

#include <optional>
#include <string>
#include <vector>

namespace kxan {

// One rule base, modelled on a list of targets.
struct SideModel {
  std::vector<std::string> content; // rule_content of each rule
  std::vector<Policy> policies;     // one per target, in the order asked
};

// A message naming the first cell member of a src, dst, services, action or
// track cell that the loaded objects database does not hold; nothing when
// every name is known.
std::optional<std::string> unknown_names(const rule_array &rules, const std::string &file);

SideModel model_side(const rule_array &rules, const std::vector<Target> &targets, ServiceKeys &keys);

// Targets of both sides by name, old ones first.
std::vector<Target> merge_targets(const std::vector<Target> &a, const std::vector<Target> &b);

struct PolicyDiff {
  RuleDiff rules;
  std::vector<std::pair<Target, std::vector<Block>>> traffic; // targets with differences only
  bool equal_in_effect() const { return traffic.empty(); }
};

PolicyDiff diff_sides(const SideModel &old_side, const SideModel &new_side, const std::vector<Target> &targets);

std::string diff_text(const PolicyDiff &d, const RangeNames &names);
std::string diff_json(const PolicyDiff &d, const RangeNames &names);

} // namespace kxan
