// Precomputed forms of rule cells for comparing many rules with each other.
//
// The relations of algebra.h walk the sets and parse addresses on every call.
// A verification that compares each rule with every earlier one instead
// builds a CellForm once per cell: groups opened, every element's address,
// mask, interface addresses and lower-cased name computed once, an interval
// index over the address ranges and a name table. The comparisons below then
// cost a few lookups each and give the same answers as the set relations:
//
//   form_contained  ~ grp_contained, with Any and negation resolved
//   form_overlap    ~ list_do_intersec
//   form_common     ~ list_intersec
//
// Usage (one cache per universe, kept for the whole verification):
//
//   kxcomp::FormCache nets(kx_netobj), servs(kx_services);
//   const CellForm &si = nets.form(rule_i_src), &sj = nets.form(rule_j_src);
//   if (kxcomp::form_contained(si, sj)) ...
//
// The cache holds a count on every cell and object it has seen, so the
// pointers stay valid; objects must not be changed while it lives.
//
// Differences from the set relations, on purpose: a cell that has no member
// of its own but a "default" set is read as the first set along its
// "default" chain that has members, for every relation; and services and
// groups carry no address, so a service's name is never looked up as a host
// name when a cell mixes services with network objects.
//
// Cost: forms are built once (a negated cell is resolved against the
// universe on first use, and kept as a bitset over the universe's elements).
// A comparison that fails at a's first element is decided from b's one-line
// summary; 10,000 rules compared pairwise take a few seconds at most.
#pragma once

#include "kxui/compiler/addr.h"

#include "kxset/kxset.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kxcomp {

// One element of a cell, groups opened, with what the relations read.
struct Leaf {
  const kxset *obj = nullptr;
  KxAtom lname;              // the name in lower case (compare by ==)
  Kind kind = Kind::notype;
  bool all = false;          // named "all" or "any"
  uint32_t addr = KX_NOADDR; // obj_netaddr_n (no lookups for interface entries)
  uint32_t mask = KX_NOADDR; // obj_netmask_n
  std::vector<uint32_t> ifaddrs; // known addresses of its interface entries
  std::string domain;        // domains: the name, as domain_in reads it
  // Address spans: every address the relations can match this element with
  // lies in one of these closed intervals.
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  // Summaries that let most comparisons end without touching the sets:
  // one bit of the name's hash, and the hull of the spans (empty: lo > hi).
  uint64_t nbit = 0;
  uint32_t lo = 1, hi = 0;
  // Position among the universe's elements, -1 when not one of them.
  int32_t uidx = -1;
};

// The element of one object, computed as Leaf documents.
Leaf make_leaf(const kxset *obj);

// Element a lies within element b (netobj_in / element_in of two elements
// that are not groups), on precomputed leaves.
bool leaf_in(const Leaf &a, const Leaf &b);
// Elements a and b overlap (gen_intersec of two elements that are not groups).
bool leaf_overlap(const Leaf &a, const Leaf &b);

// A set of elements with the indexes the comparisons use.
class LeafSet {
public:
  // Element of kind k is skipped when bit (1 << k) of a skip mask is set.
  using KindMask = uint32_t;

  // Adds an element (shared with the cache); duplicates by object are kept
  // out. `extra` elements count only as containers (see below).
  void add(const Leaf *leaf, bool extra = false);
  // Names of groups met while opening (an element named like a group of
  // the container lies within it).
  void add_group_name(const KxAtom &lname);
  // The container holds something that contains everything: an element or
  // group named "all"/"any", or a member group without members.
  void set_everything() { everything_ = true; }
  // Builds the indexes; call after the last add.
  void finish();

  const std::vector<const Leaf *> &leaves() const { return plain_; }
  bool everything() const { return everything_; }
  // For a set of universe elements (a resolved negated cell): bit i is set
  // when universe element i belongs to it; empty otherwise.
  const std::vector<uint64_t> &universe_bits() const { return ubits_; }
  bool empty() const { return plain_.empty(); }

  // x lies within some element of this container.
  bool contains(const Leaf &x) const;
  // The name records contains() matches by (elements and container groups)
  // and the address spans it stabs, for indexes over many sets.
  template <typename F> void each_name(F &&f) const {
    for (const Name &n : names_) f(n.rec);
  }
  template <typename F> void each_span(F &&f) const {
    for (const Span &s : spans_) f(s.lo, s.hi);
  }
  // x overlaps some (non-extra) element, skipping elements of kinds in `skip`.
  bool overlaps(const Leaf &x, KindMask skip = 0) const;

private:
  struct Span {
    uint32_t lo, hi;
    uint32_t idx; // into all_
  };
  struct Name {
    const void *rec;
    KindMask plain_kinds; // kinds of plain elements of that name
    bool container;       // a group name or an extra element's name
  };
  const Name *find_name(const KxAtom &lname) const;
  template <typename F> bool stab(uint32_t lo, uint32_t hi, F &&f) const;

  std::vector<const Leaf *> plain_; // in order
  std::vector<std::pair<const Leaf *, bool>> all_; // (leaf, extra)
  std::unordered_map<const Leaf *, uint32_t> index_; // into all_, for large sets
  std::vector<KxAtom> group_names_;
  bool everything_ = false;
  bool has_domains_ = false;
  uint64_t bloom_ = 0;      // Leaf::nbit of every name, to skip most lookups
  uint32_t lo_ = 1, hi_ = 0; // hull of all spans
  std::vector<Name> names_; // sorted by rec
  std::vector<Span> spans_; // sorted by lo
  std::vector<uint32_t> maxhi_; // running maximum of hi over spans_
  std::vector<uint32_t> domains_, allplain_; // indexes into all_
  std::vector<uint64_t> ubits_;
  friend class FormCache;
  friend class CellForm;
};

class FormCache;

// A cell, precomputed. Obtained from a FormCache and valid while it lives.
// One cache line holds what most comparisons need to say no; the sets
// themselves lie behind a pointer.
class alignas(64) CellForm {
public:
  bool any() const { return any_; }
  bool negated() const { return negated_; }
  // No member at all (groups opened): nothing to compare.
  bool empty() const { return !direct_ && !any_; }
  // Holds something that contains everything (an element or group named
  // all/any, or a member group without members).
  bool everything() const { return everything_; }
  bool has_domains() const { return has_domains_; }
  // The first opened element, which form_contained tests first; or null.
  const Leaf *first() const { return first_; }
  // The opened elements (not resolved against the universe).
  const LeafSet &elements() const { return sets_->own; }
  // The anonymous members of the cell itself, in order.
  const std::vector<const kxset *> &members() const { return sets_->members; }
  // Positive form: the elements, or for a negated cell the elements of the
  // universe that do not overlap it. Computed on first use.
  const LeafSet &resolved() const;

private:
  friend class FormCache;
  friend bool form_contained(const CellForm &a, const CellForm &b);
  // No element of this cell can hold an address of [lo, hi].
  bool spans_miss(uint32_t lo, uint32_t hi) const;

  static constexpr uint8_t kInline = 3;
  bool any_ = false, negated_ = false, direct_ = false;
  bool everything_ = false, has_domains_ = false;
  uint8_t nspan_ = 0; // spans below, or kInline + 1 when there are more
  uint32_t span_lo_[kInline] = {}, span_hi_[kInline] = {};
  uint32_t lo_ = 1, hi_ = 0; // hull of all spans
  uint64_t bloom_ = 0;
  const Leaf *first_ = nullptr; // first opened element, or null
  struct Sets {
    FormCache *cache = nullptr;
    std::vector<const kxset *> members;
    LeafSet own;
    std::unique_ptr<LeafSet> resolved;
  };
  std::unique_ptr<Sets> sets_ = std::make_unique<Sets>();
};

class FormCache {
public:
  // `universe`: the table negated cells are resolved against (all network
  // objects or all services); null means an empty universe.
  explicit FormCache(const kxset *universe);
  FormCache(const FormCache &) = delete;
  FormCache &operator=(const FormCache &) = delete;
  ~FormCache();

  // The form of a cell (built on first request).
  const CellForm &form(const kxset *cell);
  // The element of one object (built on first request).
  const Leaf &leaf(const kxset *obj);
  // The universe's elements, groups opened.
  const LeafSet &universe();

private:
  friend class CellForm;
  void open(LeafSet &into, const kxset *set, bool extra, std::vector<const kxset *> &stack);
  void add_member(LeafSet &into, const kxset *m, bool extra, std::vector<const kxset *> &stack);
  LeafSet complement(const LeafSet &cell);

  KxSetRef universe_set_;
  std::unique_ptr<LeafSet> universe_;
  std::unordered_map<const kxset *, std::unique_ptr<Leaf>> leaves_;
  // Forms lie in creation order, so that a pass over the rules reads them
  // nearly sequentially.
  std::deque<CellForm> store_;
  std::unordered_map<const kxset *, CellForm *> forms_;
  std::vector<KxSetRef> held_;
};

// The comparisons take forms of the same cache.
//
// Every packet cell a matches, cell b matches too: b Any contains
// everything; a Any lies only within Any or a cell holding something that
// means everything; a negated cell stands for the universe's elements that do
// not overlap it; a cell without members lies within everything and contains
// nothing.
bool form_contained(const CellForm &a, const CellForm &b);
// The two cells overlap (list_do_intersec: Any overlaps everything,
// negation not considered).
bool form_overlap(const CellForm &a, const CellForm &b);
// The objects common to two cells, as list_intersec gives them, leaving out
// elements whose kind is in `skip` (bit 1 << Kind) on both sides.
std::vector<const kxset *> form_common(const CellForm &a, const CellForm &b,
                                       LeafSet::KindMask skip = 0);
// form_common is not empty (cheaper: stops at the first).
bool form_have_common(const CellForm &a, const CellForm &b, LeafSet::KindMask skip = 0);

inline constexpr LeafSet::KindMask kind_bit(Kind k) { return 1u << static_cast<unsigned>(k); }

} // namespace kxcomp
