#include "kxui/analysis/intervals.h"

#include <algorithm>

namespace kxan {

void IntervalSet::normalize() {
  std::sort(r_.begin(), r_.end());
  std::vector<Range> out;
  out.reserve(r_.size());
  for (const Range &x : r_) {
    if (!out.empty() && (out.back().second == UINT64_MAX || x.first <= out.back().second + 1)) {
      out.back().second = std::max(out.back().second, x.second);
      continue;
    }
    out.push_back(x);
  }
  r_ = std::move(out);
}

bool IntervalSet::contains(uint64_t x) const {
  auto it = std::upper_bound(r_.begin(), r_.end(), x,
                             [](uint64_t v, const Range &r) { return v < r.first; });
  return it != r_.begin() && std::prev(it)->second >= x;
}

IntervalSet IntervalSet::complement(uint64_t hi) const {
  std::vector<Range> out;
  uint64_t next = 0;
  bool done = false;
  for (const Range &x : r_) {
    if (x.first > hi) break;
    if (x.first > next) out.emplace_back(next, x.first - 1);
    if (x.second >= hi) {
      done = true;
      break;
    }
    next = x.second + 1;
  }
  if (!done) out.emplace_back(next, hi);
  return IntervalSet(std::move(out));
}

IntervalSet IntervalSet::intersect(const IntervalSet &o) const {
  std::vector<Range> out;
  size_t i = 0, j = 0;
  while (i < r_.size() && j < o.r_.size()) {
    uint64_t lo = std::max(r_[i].first, o.r_[j].first);
    uint64_t hi = std::min(r_[i].second, o.r_[j].second);
    if (lo <= hi) out.emplace_back(lo, hi);
    if (r_[i].second < o.r_[j].second) ++i;
    else ++j;
  }
  return IntervalSet(std::move(out));
}

IntervalSet IntervalSet::subtract(const IntervalSet &o) const {
  if (o.empty() || empty()) return *this;
  return intersect(o.complement(std::max(r_.back().second, o.r_.back().second)));
}

bool IntervalSet::overlaps(const IntervalSet &o) const {
  size_t i = 0, j = 0;
  while (i < r_.size() && j < o.r_.size()) {
    if (std::max(r_[i].first, o.r_[j].first) <= std::min(r_[i].second, o.r_[j].second)) return true;
    if (r_[i].second < o.r_[j].second) ++i;
    else ++j;
  }
  return false;
}

} // namespace kxan
