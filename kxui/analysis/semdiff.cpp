#include "kxui/analysis/semdiff.h"

#include "kxui/analysis/packet.h"

#include "kxui/compiler/addr.h"
#include "kxui/compiler/cellform.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/objfile/objects.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace kxan {

namespace {

using Box = Block; // actions unused while searching

const IntervalSet &dim(const RuleModel &r, int d) { return d == 0 ? r.src : d == 1 ? r.dst : r.svc; }

// How an interval set meets [lo, hi]: 0 not at all, 1 partly, 2 wholly.
int meets(const IntervalSet &s, uint64_t lo, uint64_t hi) {
  const auto &r = s.ranges();
  auto it = std::upper_bound(r.begin(), r.end(), lo, [](uint64_t v, const IntervalSet::Range &x) { return v < x.first; });
  if (it != r.begin() && std::prev(it)->second >= lo) return std::prev(it)->second >= hi ? 2 : 1;
  return (it != r.end() && it->first <= hi) ? 1 : 0;
}

int meets(const RuleModel &r, const Box &b) {
  int worst = 2;
  for (int d = 0; d < 3; ++d) {
    int m = meets(dim(r, d), b.lo[d], b.hi[d]);
    if (m == 0) return 0;
    worst = std::min(worst, m);
  }
  return worst;
}

int meets(const Box &s, const Box &b) {
  int worst = 2;
  for (int d = 0; d < 3; ++d) {
    if (s.hi[d] < b.lo[d] || s.lo[d] > b.hi[d]) return 0;
    if (s.lo[d] > b.lo[d] || s.hi[d] < b.hi[d]) worst = 1;
  }
  return worst;
}

struct Cand {
  const RuleModel *rule;
  int id; // equal ids: the same rule on both sides
};

class Search {
public:
  std::vector<Block> out;
  std::vector<Box> done; // pieces searched already

  void run(const Box &b, const std::vector<Cand> &ca, const std::vector<Cand> &cb, const std::vector<const Box *> &skips) {
    std::vector<const Box *> sk;
    for (const Box *s : skips)
      if (int m = meets(*s, b)) {
        if (m == 2) return;
        sk.push_back(s);
      }
    std::vector<Cand> a = filter(ca, b), bb = filter(cb, b);
    if (same(a, bb)) return;
    bool ua = a.empty() || meets(*a.front().rule, b) == 2, ub = bb.empty() || meets(*bb.front().rule, b) == 2;
    if (sk.empty() && ua && ub) {
      std::string x = a.empty() ? "drop" : a.front().rule->action, y = bb.empty() ? "drop" : bb.front().rule->action;
      if (x != y) {
        Block k = b;
        k.old_action = x, k.new_action = y;
        out.push_back(std::move(k));
      }
      return;
    }
    for (const Box &piece : split(b, sk, a, bb, ua)) run(piece, a, bb, sk);
  }

private:
  static std::vector<Cand> filter(const std::vector<Cand> &c, const Box &b) {
    std::vector<Cand> out;
    for (const Cand &x : c)
      if (int m = meets(*x.rule, b)) {
        out.push_back(x);
        if (m == 2) break; // nothing after a rule that takes the whole box
      }
    return out;
  }
  static bool same(const std::vector<Cand> &a, const std::vector<Cand> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].id < 0 || a[i].id != b[i].id) return false;
    return true;
  }
  // Cuts b along the first thing that meets it only partly.
  static std::vector<Box> split(const Box &b, const std::vector<const Box *> &sk, const std::vector<Cand> &a,
                                const std::vector<Cand> &bb, bool ua) {
    for (int d = 0; d < 3; ++d) {
      IntervalSet s;
      if (!sk.empty()) {
        s.add(sk.front()->lo[d], sk.front()->hi[d]);
      } else {
        s = dim(ua ? *bb.front().rule : *a.front().rule, d);
      }
      if (meets(s, b.lo[d], b.hi[d]) == 2) continue;
      std::vector<Box> pieces;
      uint64_t at = b.lo[d];
      auto piece = [&](uint64_t lo, uint64_t hi) {
        Box p = b;
        p.lo[d] = lo, p.hi[d] = hi;
        pieces.push_back(p);
      };
      for (const auto &[lo, hi] : s.ranges()) {
        if (hi < b.lo[d]) continue;
        if (lo > b.hi[d]) break;
        if (lo > at) piece(at, lo - 1);
        uint64_t end = std::min(hi, b.hi[d]);
        piece(std::max(lo, at), end);
        if (end == b.hi[d]) return pieces;
        at = end + 1;
      }
      piece(at, b.hi[d]);
      return pieces;
    }
    return {b}; // not reached: something meets b partly
  }
};

// The rules of a policy that decide packets (enforced or implied).
std::vector<const RuleModel *> deciding(const Policy &p) {
  std::vector<const RuleModel *> out;
  for (const RuleModel &r : p.rules)
    if (r.enforced && !r.src.empty() && !r.dst.empty() && !r.svc.empty()) out.push_back(&r);
  return out;
}

bool same_model(const RuleModel &a, const RuleModel &b) {
  return a.action == b.action && a.src == b.src && a.dst == b.dst && a.svc == b.svc;
}

std::vector<size_t> increasing(const std::vector<int> &seq) {
  std::vector<size_t> tails, prev(seq.size(), SIZE_MAX);
  for (size_t i = 0; i < seq.size(); ++i) {
    auto it = std::lower_bound(tails.begin(), tails.end(), seq[i], [&](size_t t, int v) { return seq[t] < v; });
    if (it != tails.begin()) prev[i] = *std::prev(it);
    if (it == tails.end()) tails.push_back(i);
    else *it = i;
  }
  std::vector<size_t> out;
  for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = prev[i]) out.push_back(i);
  return out;
}

void merge_blocks(std::vector<Block> &v) {
  for (int round = 0; round < 2; ++round)
    for (int d = 0; d < 3; ++d) {
      auto key = [d](const Block &b) {
        std::array<uint64_t, 4> k{};
        int n = 0;
        for (int e = 0; e < 3; ++e)
          if (e != d) k[static_cast<size_t>(n++)] = b.lo[e], k[static_cast<size_t>(n++)] = b.hi[e];
        return k;
      };
      std::sort(v.begin(), v.end(), [&](const Block &x, const Block &y) {
        return std::tie(x.old_action, x.new_action) != std::tie(y.old_action, y.new_action)
                   ? std::tie(x.old_action, x.new_action) < std::tie(y.old_action, y.new_action)
                   : key(x) != key(y) ? key(x) < key(y) : x.lo[d] < y.lo[d];
      });
      std::vector<Block> out;
      for (Block &b : v) {
        if (!out.empty()) {
          Block &l = out.back();
          if (l.old_action == b.old_action && l.new_action == b.new_action && key(l) == key(b) &&
              l.hi[d] != UINT64_MAX && l.hi[d] + 1 == b.lo[d]) {
            l.hi[d] = b.hi[d];
            continue;
          }
        }
        out.push_back(std::move(b));
      }
      v = std::move(out);
    }
  std::sort(v.begin(), v.end(), [](const Block &x, const Block &y) {
    return std::tie(x.lo, x.hi) < std::tie(y.lo, y.hi);
  });
}

} // namespace

std::vector<Block> semantic_diff(const Policy &op, const Policy &np, const std::vector<std::pair<int, int>> &kept) {
  std::vector<const RuleModel *> a = deciding(op), b = deciding(np);
  // Pair the rules on both sides: kept rules by number, implied rules by word.
  std::map<int, size_t> new_by_number;
  std::map<std::string, size_t> new_implied;
  for (size_t j = 0; j < b.size(); ++j) {
    if (b[j]->implied.empty()) new_by_number[b[j]->number] = j;
    else new_implied.emplace(b[j]->implied, j);
  }
  std::map<int, int> kept_map(kept.begin(), kept.end());
  std::vector<int> seq;
  std::vector<size_t> seq_old;
  for (size_t i = 0; i < a.size(); ++i) {
    const RuleModel &r = *a[i];
    long j = -1;
    if (r.implied.empty()) {
      auto k = kept_map.find(r.number);
      if (k != kept_map.end())
        if (auto it = new_by_number.find(k->second); it != new_by_number.end()) j = static_cast<long>(it->second);
    } else if (auto it = new_implied.find(r.implied); it != new_implied.end()) {
      j = static_cast<long>(it->second);
    }
    if (j >= 0 && same_model(r, *b[static_cast<size_t>(j)])) {
      seq.push_back(static_cast<int>(j));
      seq_old.push_back(i);
    }
  }
  std::vector<Cand> ca, cb;
  for (const RuleModel *r : a) ca.push_back({r, -1});
  for (const RuleModel *r : b) cb.push_back({r, -1});
  int id = 0;
  for (size_t k : increasing(seq)) {
    ca[seq_old[k]].id = id;
    cb[static_cast<size_t>(seq[k])].id = id++;
  }
  // Start from the boxes of the rules that are not paired.
  std::vector<Box> starts;
  auto boxes_of = [&](const RuleModel &r) {
    for (const auto &s : r.src.ranges())
      for (const auto &d : r.dst.ranges())
        for (const auto &v : r.svc.ranges()) {
          Box x;
          x.lo = {s.first, d.first, v.first};
          x.hi = {s.second, d.second, v.second};
          starts.push_back(x);
        }
  };
  for (const Cand &c : ca)
    if (c.id < 0) boxes_of(*c.rule);
  for (const Cand &c : cb)
    if (c.id < 0) boxes_of(*c.rule);
  Search search;
  std::vector<const Box *> skips;
  skips.reserve(starts.size());
  for (const Box &s : starts) {
    search.run(s, ca, cb, skips);
    skips.push_back(&s);
  }
  merge_blocks(search.out);
  return std::move(search.out);
}

// ------------------------------------------------------------- names

void RangeNames::add_loaded(ServiceKeys &keys) {
  kxrb::each_member(kx_netobj, [&](kxset *m) {
    kxcomp::Leaf l = kxcomp::make_leaf(m);
    if (l.kind == kxcomp::Kind::group || l.spans.size() != 1) return;
    addr_.push_back({l.spans.front(), m->getname()});
  });
  kxrb::each_member(kx_services, [&](kxset *m) {
    if (kxcomp::kind_of(m) == kxcomp::Kind::group) return;
    IntervalSet k = keys.of(m);
    if (k.ranges().size() == 1) svc_.push_back({k.ranges().front(), m->getname()});
  });
  auto order = [](auto &v) {
    std::stable_sort(v.begin(), v.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
  };
  order(addr_);
  order(svc_);
}

namespace {

const std::string *find_name(const std::vector<std::pair<std::pair<uint64_t, uint64_t>, std::string>> &v,
                             uint64_t lo, uint64_t hi) {
  auto it = std::lower_bound(v.begin(), v.end(), std::make_pair(lo, hi),
                             [](const auto &x, const std::pair<uint64_t, uint64_t> &k) { return x.first < k; });
  return it != v.end() && it->first == std::make_pair(lo, hi) ? &it->second : nullptr;
}

} // namespace

std::string RangeNames::address(uint64_t lo, uint64_t hi) const {
  if (lo == 0 && hi == kAddrMax) return "Any";
  if (const std::string *n = find_name(addr_, lo, hi)) return *n;
  uint32_t l = static_cast<uint32_t>(lo), h = static_cast<uint32_t>(hi);
  if (l == h) return iptoa(l);
  uint32_t size = h - l + 1;
  if ((size & (size - 1)) == 0 && (l & (size - 1)) == 0) {
    int bits = 32;
    for (uint32_t s = size; s > 1; s >>= 1) --bits;
    return iptoa(l) + "/" + std::to_string(bits);
  }
  return iptoa(l) + "-" + iptoa(h);
}

std::string RangeNames::service(uint64_t lo, uint64_t hi) const {
  if (lo == 0 && hi == kServiceMax) return "Any";
  if (const std::string *n = find_name(svc_, lo, hi)) return *n;
  if (key_proto(lo) == key_proto(hi)) {
    std::string p = service_text(lo);
    p = p.substr(0, p.find('/'));
    if (key_port(lo) == 0 && key_port(hi) == 0xffffffffu) return p;
    if (lo == hi) return service_text(lo);
    return service_text(lo) + "-" + std::to_string(key_port(hi));
  }
  return service_text(lo) + " .. " + service_text(hi);
}

} // namespace kxan
