#include "kxui/compiler/cellindex.h"

namespace kxcomp {

void CellIndex::add(uint32_t j, const CellForm &b) {
  if (b.any() || b.negated() || b.everything()) {
    wide_[j] = 1;
    wide_list_.push_back(j);
    return;
  }
  const LeafSet &own = b.elements();
  own.each_name([&](const void *rec) { put(by_name_[rec], j); });
  if (b.has_domains()) put(domains_, j);
  own.each_span([&](uint32_t lo, uint32_t hi) {
    uint32_t first = lo >> kShift, last = hi >> kShift;
    if (last - first >= kMaxBuckets) {
      put(wide_spans_, j);
      return;
    }
    for (uint32_t k = first;; ++k) {
      put(by_bucket_[k], j);
      if (k == last) break;
    }
  });
}

CellIndex::Query CellIndex::query(const CellForm &a) const {
  Query q;
  // Any lies only within wide cells.
  if (a.any()) return q;
  const Leaf *x = a.first();
  if (a.negated() || !x) {
    q.all = true;
    return q;
  }
  auto find = [&](const auto &map, const auto &key) -> const std::vector<uint32_t> * {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
  };
  append(q.narrow, find(by_name_, static_cast<const void *>(x->lname.record())));
  if (!is_netobj_kind(x->kind)) return q;
  if (x->kind == Kind::domain) {
    append(q.narrow, &domains_);
    return q;
  }
  if (x->lo > x->hi) return q;
  uint32_t first = x->lo >> kShift, last = x->hi >> kShift;
  if (last - first >= kMaxBuckets) {
    q.all = true;
    q.narrow.clear();
    return q;
  }
  for (uint32_t k = first;; ++k) {
    append(q.narrow, find(by_bucket_, k));
    if (k == last) break;
  }
  append(q.narrow, &wide_spans_);
  return q;
}

} // namespace kxcomp
