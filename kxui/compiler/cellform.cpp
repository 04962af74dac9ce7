#include "kxui/compiler/cellform.h"
#include "kxui/compiler/members.h"

#include "kxui/compiler/algebra.h"

#include <algorithm>
#include <cctype>
#include <strings.h>
#include <unordered_set>

namespace kxcomp {

namespace {

KxAtom lower_atom(const kxset *obj) {
  std::string s(obj->getnamea().view());
  for (char &c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return KxAtom(std::string_view(s));
}

bool has_addr(const kxset *iface) {
  static const KxAtom ip("ipaddr");
  const kxset *v = iface->get(ip);
  return v && !isnull(v->getname());
}

bool contains_addr(const std::vector<uint32_t> &v, uint32_t a) {
  return std::find(v.begin(), v.end(), a) != v.end();
}

const KxAtom &default_atom() {
  static const KxAtom a("default");
  return a;
}

// The set whose members stand for `cell`: the cell, or when it has none of
// its own the first set with members along its "default" chain.
const kxset *member_source(const kxset *cell) {
  for (int steps = 0; cell && steps < 64; ++steps) {
    if (first_member(cell)) return cell;
    cell = cell->get(default_atom());
  }
  return nullptr;
}

} // namespace

Leaf make_leaf(const kxset *obj) {
  Leaf l;
  l.obj = obj;
  if (!obj) return l;
  l.lname = lower_atom(obj);
  l.nbit = 1ull << (l.lname.hash() & 63);
  l.kind = kind_of(obj);
  l.all = isall(obj->getname());
  if (l.kind == Kind::domain) {
    l.domain = obj->getname();
    return l;
  }
  // Groups are opened, and services and "other" never lie within anything
  // by address: only the remaining kinds are given addresses, so that the
  // names of services are not looked up as host names.
  if (l.kind == Kind::group || is_service_kind(l.kind)) return l;
  l.addr = obj_netaddr_n(obj, 0);
  l.mask = obj_netmask_n(obj, 0);
  for (const kxset *iface : object_interfaces(obj)) {
    if (!has_addr(iface)) continue;
    uint32_t a = obj_netaddr_n(iface, 0);
    if (a != KX_NOADDR && !contains_addr(l.ifaddrs, a)) l.ifaddrs.push_back(a);
  }
  if (l.addr != KX_NOADDR) {
    uint32_t lo = l.addr & l.mask;
    l.spans.emplace_back(lo, lo | ~l.mask);
  }
  for (uint32_t a : l.ifaddrs) l.spans.emplace_back(a, a);
  for (auto [lo, hi] : l.spans) {
    if (l.lo > l.hi) l.lo = lo, l.hi = hi;
    l.lo = std::min(l.lo, lo);
    l.hi = std::max(l.hi, hi);
  }
  return l;
}

bool leaf_in(const Leaf &a, const Leaf &b) {
  if (a.lname == b.lname || b.all) return true;
  if (a.kind == Kind::other || b.kind == Kind::other) return false;
  if (!is_netobj_kind(a.kind)) return false;
  if (b.kind == Kind::domain) return a.kind == Kind::domain && domain_in(a.domain, b.domain);
  if (a.kind == Kind::domain) return false;
  if (a.kind == Kind::net && b.mask > a.mask) return false;
  if (a.addr == KX_NOADDR || b.addr == KX_NOADDR) return false;
  const uint32_t bnet = b.addr & b.mask;
  if ((a.addr & b.mask) == bnet) return true;
  if (a.kind == Kind::net) return false;
  if (a.kind == Kind::hostif) return contains_addr(b.ifaddrs, a.addr);
  for (uint32_t i : a.ifaddrs)
    if ((i & b.mask) == bnet || contains_addr(b.ifaddrs, i)) return true;
  return false;
}

bool leaf_overlap(const Leaf &a, const Leaf &b) { return leaf_in(a, b) || leaf_in(b, a); }

// ------------------------------------------------------------- LeafSet

void LeafSet::add(const Leaf *leaf, bool extra) {
  constexpr size_t kLinear = 32; // below this a scan beats hashing
  int64_t found = -1;
  if (all_.size() < kLinear) {
    for (size_t i = 0; i < all_.size(); ++i)
      if (all_[i].first == leaf) found = static_cast<int64_t>(i);
  } else {
    if (index_.empty())
      for (size_t i = 0; i < all_.size(); ++i) index_.emplace(all_[i].first, i);
    if (auto it = index_.find(leaf); it != index_.end()) found = it->second;
  }
  if (found >= 0) {
    bool &x = all_[static_cast<size_t>(found)].second;
    if (x && !extra) { // becomes a plain element after all
      x = false;
      plain_.push_back(leaf);
    }
    return;
  }
  if (!index_.empty() || all_.size() >= kLinear)
    index_.emplace(leaf, static_cast<uint32_t>(all_.size()));
  all_.emplace_back(leaf, extra);
  if (!extra) plain_.push_back(leaf);
}

void LeafSet::add_group_name(const KxAtom &lname) { group_names_.push_back(lname); }

void LeafSet::finish() {
  names_.clear();
  spans_.clear();
  maxhi_.clear();
  domains_.clear();
  allplain_.clear();
  bloom_ = 0;
  has_domains_ = false;
  lo_ = 1, hi_ = 0;
  auto name_entry = [&](const KxAtom &a) -> Name & {
    bloom_ |= 1ull << (a.hash() & 63);
    for (Name &n : names_)
      if (n.rec == a.record()) return n;
    names_.push_back({a.record(), 0, false});
    return names_.back();
  };
  // Few names per cell: the linear search above is cheaper than a map for
  // the usual sizes; large sets are sorted once below.
  std::unordered_map<const void *, size_t> big;
  auto entry = [&](const KxAtom &a) -> Name & {
    if (all_.size() + group_names_.size() < 32) return name_entry(a);
    bloom_ |= 1ull << (a.hash() & 63);
    auto [it, fresh] = big.emplace(a.record(), names_.size());
    if (fresh) names_.push_back({a.record(), 0, false});
    return names_[it->second];
  };
  for (uint32_t i = 0; i < all_.size(); ++i) {
    const auto &[leaf, extra] = all_[i];
    Name &n = entry(leaf->lname);
    if (extra) n.container = true;
    else n.plain_kinds |= kind_bit(leaf->kind);
    if (leaf->all) {
      everything_ = true;
      if (!extra) allplain_.push_back(i);
    }
    if (leaf->kind == Kind::domain) domains_.push_back(i), has_domains_ = true;
    for (auto [lo, hi] : leaf->spans) spans_.push_back({lo, hi, i});
    if (leaf->lo <= leaf->hi) {
      if (lo_ > hi_) lo_ = leaf->lo, hi_ = leaf->hi;
      lo_ = std::min(lo_, leaf->lo);
      hi_ = std::max(hi_, leaf->hi);
    }
  }
  for (const KxAtom &g : group_names_) entry(g).container = true;
  std::sort(names_.begin(), names_.end(), [](const Name &a, const Name &b) { return a.rec < b.rec; });
  std::sort(spans_.begin(), spans_.end(), [](const Span &a, const Span &b) { return a.lo < b.lo; });
  maxhi_.reserve(spans_.size());
  uint32_t m = 0;
  for (const Span &s : spans_) maxhi_.push_back(m = std::max(m, s.hi));
}

const LeafSet::Name *LeafSet::find_name(const KxAtom &lname) const {
  const void *rec = lname.record();
  auto it = std::lower_bound(names_.begin(), names_.end(), rec,
                             [](const Name &n, const void *r) { return n.rec < r; });
  return it != names_.end() && it->rec == rec ? &*it : nullptr;
}

// Calls f(index into all_) for every span meeting [lo, hi] until f is true.
template <typename F> bool LeafSet::stab(uint32_t lo, uint32_t hi, F &&f) const {
  auto end = std::upper_bound(spans_.begin(), spans_.end(), hi,
                              [](uint32_t v, const Span &s) { return v < s.lo; });
  for (size_t i = static_cast<size_t>(end - spans_.begin()); i-- > 0;) {
    if (maxhi_[i] < lo) break;
    if (spans_[i].hi >= lo && f(spans_[i].idx)) return true;
  }
  return false;
}

bool LeafSet::contains(const Leaf &x) const {
  if (everything_) return true;
  if (x.uidx >= 0 && !ubits_.empty() && (ubits_[x.uidx / 64] >> (x.uidx % 64) & 1)) return true;
  if (bloom_ & x.nbit)
    if (const Name *n = find_name(x.lname); n && (n->plain_kinds || n->container)) return true;
  if (!is_netobj_kind(x.kind)) return false;
  if (x.kind == Kind::domain) {
    if (!has_domains_) return false;
    for (uint32_t i : domains_)
      if (leaf_in(x, *all_[i].first)) return true;
    return false;
  }
  if (x.lo > x.hi || x.hi < lo_ || x.lo > hi_) return false;
  for (auto [lo, hi] : x.spans)
    if (stab(lo, hi, [&](uint32_t i) { return leaf_in(x, *all_[i].first); })) return true;
  return false;
}

bool LeafSet::overlaps(const Leaf &x, KindMask skip) const {
  auto usable = [&](uint32_t i) {
    return !all_[i].second && !(skip & kind_bit(all_[i].first->kind));
  };
  if (x.all) {
    for (const Leaf *l : plain_)
      if (!(skip & kind_bit(l->kind))) return true;
    return false;
  }
  if (bloom_ & x.nbit)
    if (const Name *n = find_name(x.lname); n && (n->plain_kinds & ~skip)) return true;
  for (uint32_t i : allplain_)
    if (usable(i)) return true;
  if (x.kind == Kind::other) return false;
  if (x.kind == Kind::domain) {
    for (uint32_t i : domains_)
      if (usable(i) && leaf_overlap(x, *all_[i].first)) return true;
    return false;
  }
  if (x.lo > x.hi || x.hi < lo_ || x.lo > hi_) return false;
  for (auto [lo, hi] : x.spans)
    if (stab(lo, hi, [&](uint32_t i) { return usable(i) && leaf_overlap(x, *all_[i].first); }))
      return true;
  return false;
}

// ------------------------------------------------------------- FormCache

FormCache::FormCache(const kxset *universe) : universe_set_(const_cast<kxset *>(universe)) {}
FormCache::~FormCache() = default;

const Leaf &FormCache::leaf(const kxset *obj) {
  auto &slot = leaves_[obj];
  if (!slot) {
    slot = std::make_unique<Leaf>(make_leaf(obj));
    held_.emplace_back(const_cast<kxset *>(obj));
  }
  return *slot;
}

void FormCache::add_member(LeafSet &into, const kxset *m, bool extra,
                           std::vector<const kxset *> &stack) {
  if (kind_of(m) != Kind::group) {
    into.add(&leaf(m), extra);
    return;
  }
  // A group is opened; as a container it also counts by its own name, and
  // one named all/any or one without members contains everything.
  into.add_group_name(leaf(m).lname);
  if (isall(m->getname())) into.set_everything();
  if (std::find(stack.begin(), stack.end(), m) != stack.end()) return;
  stack.push_back(m);
  if (first_member(m)) {
    each_member(m, [&](const kxset *mm) { add_member(into, mm, extra, stack); });
  } else if (const kxset *d = m->get(default_atom())) {
    add_member(into, d, true, stack);
  } else {
    into.set_everything();
  }
  stack.pop_back();
}

void FormCache::open(LeafSet &into, const kxset *set, bool extra,
                     std::vector<const kxset *> &stack) {
  each_member(set, [&](const kxset *m) { add_member(into, m, extra, stack); });
}

const LeafSet &FormCache::universe() {
  if (!universe_) {
    universe_ = std::make_unique<LeafSet>();
    std::vector<const kxset *> stack;
    open(*universe_, universe_set_.get(), false, stack);
    universe_->finish();
    // The elements are this cache's own (leaves_), so they may be marked.
    const auto &u = universe_->leaves();
    for (size_t i = 0; i < u.size(); ++i) const_cast<Leaf *>(u[i])->uidx = static_cast<int32_t>(i);
  }
  return *universe_;
}

LeafSet FormCache::complement(const LeafSet &cell) {
  LeafSet out;
  const auto &u = universe().leaves();
  out.ubits_.assign((u.size() + 63) / 64 + 1, 0); // never empty: marks a complement
  for (size_t i = 0; i < u.size(); ++i)
    if (!cell.overlaps(*u[i])) {
      out.add(u[i]);
      out.ubits_[i / 64] |= 1ull << (i % 64);
    }
  out.finish();
  return out;
}

const CellForm &FormCache::form(const kxset *cell) {
  CellForm *&slot = forms_[cell];
  if (slot) return *slot;
  CellForm &f = store_.emplace_back();
  slot = &f;
  if (cell) held_.emplace_back(const_cast<kxset *>(cell));
  CellForm::Sets &d = *f.sets_;
  d.cache = this;
  f.any_ = cell_isany(cell);
  f.negated_ = obj_isnot(cell);
  const kxset *src = member_source(cell);
  f.direct_ = src != nullptr;
  each_member(src, [&](const kxset *m) { d.members.push_back(m); });
  std::vector<const kxset *> stack;
  if (src) stack.push_back(src);
  open(d.own, src, false, stack);
  d.own.finish();
  f.everything_ = d.own.everything_;
  f.has_domains_ = d.own.has_domains_;
  f.lo_ = d.own.lo_;
  f.hi_ = d.own.hi_;
  f.bloom_ = d.own.bloom_;
  f.first_ = d.own.plain_.empty() ? nullptr : d.own.plain_.front();
  if (d.own.spans_.size() <= CellForm::kInline) {
    f.nspan_ = static_cast<uint8_t>(d.own.spans_.size());
    for (size_t i = 0; i < f.nspan_; ++i) {
      f.span_lo_[i] = d.own.spans_[i].lo;
      f.span_hi_[i] = d.own.spans_[i].hi;
    }
  } else {
    f.nspan_ = CellForm::kInline + 1;
  }
  return f;
}

bool CellForm::spans_miss(uint32_t lo, uint32_t hi) const {
  if (lo > hi || hi < lo_ || lo > hi_) return true;
  if (nspan_ > kInline) return false;
  for (uint8_t i = 0; i < nspan_; ++i)
    if (hi >= span_lo_[i] && lo <= span_hi_[i]) return false;
  return true;
}

const LeafSet &CellForm::resolved() const {
  Sets &d = *sets_;
  if (!negated_) return d.own;
  if (!d.resolved) d.resolved = std::make_unique<LeafSet>(d.cache->complement(d.own));
  return *d.resolved;
}

// ------------------------------------------------------------- relations

bool form_contained(const CellForm &a, const CellForm &b) {
  if (b.any_) return true;
  if (a.any_) return b.resolved().everything();
  // Most pairs differ at a's first element: say no from b's summary.
  if (const Leaf *x = a.first_; x && !a.negated_ && !b.negated_ && !b.everything_ &&
                                !(b.bloom_ & x->nbit)) {
    if (!is_netobj_kind(x->kind)) return false;
    if (x->kind == Kind::domain ? !b.has_domains_ : b.spans_miss(x->lo, x->hi)) return false;
  }
  if (!a.negated() && a.empty()) return true;
  if (!b.negated() && b.empty()) return false;
  const LeafSet &as = a.resolved(), &bs = b.resolved();
  if (a.negated() && b.negated()) {
    // Both are sets of universe elements: only the elements of a that b
    // does not hold itself need a look.
    const auto &ab = as.universe_bits(), &bb = bs.universe_bits();
    const auto &u = a.sets_->cache->universe().leaves();
    for (size_t w = 0; w < ab.size(); ++w)
      for (uint64_t rest = ab[w] & ~bb[w]; rest; rest &= rest - 1) {
        size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(rest));
        if (!bs.contains(*u[i])) return false;
      }
    return true;
  }
  for (const Leaf *x : as.leaves())
    if (!bs.contains(*x)) return false;
  return true;
}

bool form_overlap(const CellForm &a, const CellForm &b) {
  if (a.any() || b.any()) return true;
  const LeafSet &bs = b.elements();
  for (const Leaf *x : a.elements().leaves())
    if (bs.overlaps(*x)) return true;
  return false;
}

namespace {

// Walks the objects list_intersec gives, calling out(obj) until it is true.
template <typename Out>
void walk_common(const CellForm &a, const CellForm &b, LeafSet::KindMask skip, Out &&out) {
  auto keep = [&](const Leaf &l) { return !(skip & kind_bit(l.kind)); };
  auto any_with = [&](const CellForm &c) {
    if (c.negated()) {
      for (const Leaf *l : c.resolved().leaves())
        if (keep(*l) && out(l->obj)) return;
      return;
    }
    for (const kxset *m : c.members())
      if (!(skip & kind_bit(kind_of(m))) && out(m)) return;
  };
  if (a.any()) return any_with(b);
  if (b.any()) return any_with(a);
  if (a.negated() && b.negated()) {
    // The universe outside both cells.
    const LeafSet &u = a.resolved(); // outside a
    for (const Leaf *l : u.leaves())
      if (keep(*l) && !b.elements().overlaps(*l, skip) && out(l->obj)) return;
    return;
  }
  const CellForm &x = a.negated() ? b : a;
  const CellForm &y = &x == &a ? b : a;
  for (const Leaf *l : x.elements().leaves()) {
    if (!keep(*l)) continue;
    if (y.elements().overlaps(*l, skip) != y.negated() && out(l->obj)) return;
  }
}

} // namespace

std::vector<const kxset *> form_common(const CellForm &a, const CellForm &b,
                                       LeafSet::KindMask skip) {
  std::vector<const kxset *> result;
  std::unordered_set<const kxset *> seen;
  walk_common(a, b, skip, [&](const kxset *o) {
    if (seen.insert(o).second) result.push_back(o);
    return false;
  });
  return result;
}

bool form_have_common(const CellForm &a, const CellForm &b, LeafSet::KindMask skip) {
  bool found = false;
  walk_common(a, b, skip, [&](const kxset *) { return found = true; });
  return found;
}

} // namespace kxcomp

static_assert(sizeof(kxcomp::CellForm) == 64, "a form's summary is one cache line");
