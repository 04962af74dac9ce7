// Semantic difference of two policies on one target: the traffic classes
// (source, destination and service ranges) whose decision differs, as
// disjoint blocks, each decided one way throughout by the old policy and
// another way by the new one.
//
// Only traffic that some rule not kept in content and order can match may
// be decided differently (every other packet meets the same rules in the same
// order on both sides), so the search starts from the boxes of those rules
// and splits them along the rules that cut them until each piece is decided
// uniformly on both sides; pieces already searched are not searched again.
#pragma once

#include "kxui/analysis/model.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace kxan {

struct Block {
  std::array<uint64_t, 3> lo{}, hi{}; // source, destination, service; closed ranges
  std::string old_action, new_action; // "drop" when no rule decides
};

// `kept`: (old number, new number) of the rules that the rule-level diff
// found unchanged in content and order.
std::vector<Block> semantic_diff(const Policy &old_policy, const Policy &new_policy,
                                 const std::vector<std::pair<int, int>> &kept);

// Names for ranges: an object whose addresses are exactly the range, a
// service whose keys are.
class RangeNames {
public:
  // Adds the names of the loaded network objects and services.
  void add_loaded(ServiceKeys &keys);
  std::string address(uint64_t lo, uint64_t hi) const;
  std::string service(uint64_t lo, uint64_t hi) const;

private:
  std::vector<std::pair<std::pair<uint64_t, uint64_t>, std::string>> addr_, svc_; // sorted after add_loaded
};

} // namespace kxan
