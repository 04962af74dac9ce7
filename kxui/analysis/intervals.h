// Sets of unsigned integers as sorted, disjoint, closed intervals: the
// address and service ranges that rule cells cover.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace kxan {

class IntervalSet {
public:
  using Range = std::pair<uint64_t, uint64_t>; // closed: first <= second

  IntervalSet() = default;
  static IntervalSet all(uint64_t hi) { return IntervalSet({{0, hi}}); }

  // Adds [lo, hi]; call normalize() after a batch of adds.
  void add(uint64_t lo, uint64_t hi) { r_.emplace_back(lo, hi); }
  // Sorts and merges touching or overlapping ranges.
  void normalize();

  bool empty() const { return r_.empty(); }
  bool contains(uint64_t x) const;
  const std::vector<Range> &ranges() const { return r_; }

  // The members of [0, hi] not in this set.
  IntervalSet complement(uint64_t hi) const;
  IntervalSet intersect(const IntervalSet &o) const;
  IntervalSet subtract(const IntervalSet &o) const;
  bool overlaps(const IntervalSet &o) const;
  bool operator==(const IntervalSet &o) const { return r_ == o.r_; }

private:
  explicit IntervalSet(std::vector<Range> r) : r_(std::move(r)) {}
  std::vector<Range> r_;
};

} // namespace kxan
