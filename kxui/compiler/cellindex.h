// An index of the cells of earlier rules, for the verification's search for
// rules that hide later ones: given a cell a, it names every indexed rule
// whose cell b can satisfy form_contained(a, b), and usually few others, so
// that a rule is compared with the handful of earlier rules that could
// contain it instead of with all of them.
//
// What it relies on (see form_contained): unless b is Any, negated or holds
// everything ("wide"), b contains a only when b contains a's first element
// x, which needs x's name among b's names, or x a domain and b holding
// domains, or one of b's address spans meeting x's.
#pragma once

#include "kxui/compiler/cellform.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kxcomp {

class CellIndex {
public:
  // Rule positions run from 0 to `rules` - 1.
  explicit CellIndex(size_t rules) : wide_(rules, 0) {}

  // Enters the cell of rule j (each rule at most once).
  void add(uint32_t j, const CellForm &b);

  // The rules that may contain cell a: either `all` (no pruning possible),
  // or the `narrow` ones (unsorted, possibly repeated) together with the
  // wide ones.
  struct Query {
    bool all = false;
    std::vector<uint32_t> narrow;
  };
  Query query(const CellForm &a) const;

  bool wide(uint32_t j) const { return wide_[j] != 0; }
  // The wide rules, in the order added.
  const std::vector<uint32_t> &wide_rules() const { return wide_list_; }

private:
  // Address buckets of 16 addresses; a span over more buckets than kMaxBuckets
  // goes to the list of wide spans, and a query over more is not pruned.
  static constexpr unsigned kShift = 4;
  static constexpr uint32_t kMaxBuckets = 256;

  static void put(std::vector<uint32_t> &list, uint32_t j) {
    if (list.empty() || list.back() != j) list.push_back(j);
  }
  static void append(std::vector<uint32_t> &out, const std::vector<uint32_t> *list) {
    if (list) out.insert(out.end(), list->begin(), list->end());
  }

  std::vector<uint8_t> wide_;
  std::vector<uint32_t> wide_list_;
  std::unordered_map<const void *, std::vector<uint32_t>> by_name_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> by_bucket_;
  std::vector<uint32_t> wide_spans_, domains_;
};

} // namespace kxcomp
