#include "kxui/compiler/check.h"

#include "kxui/compiler/auth.h"
#include "kxui/compiler/cellform.h"
#include "kxui/compiler/cellindex.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/rule_gen.h"
#include "kxui/compiler/targets.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxu/report.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <unordered_map>

using namespace kxrb;
using kxcomp::CellForm;
using kxcomp::FormCache;

namespace {

enum class Svc { normal, any, empty, wild };

// What the comparisons need of one rule, computed once.
struct RuleInfo {
  bool targeted = false;
  bool auth = false;
  std::vector<int> targets; // sorted ids of target names
  const CellForm *src = nullptr, *dst = nullptr, *svc = nullptr;
  Svc kind = Svc::normal;
  std::vector<const void *> keys; // service names (lower case), "other" and icmp left out
  std::string action;
};

bool noelements(const kxset *cell, std::set<const kxset *> &seen) {
  bool empty = true;
  each_member(cell, [&](kxset *m) {
    if (!empty) return;
    if (is_group(m) && !is_usergroup(m)) {
      if (seen.insert(m).second && !noelements(m, seen)) empty = false;
    } else {
      empty = false;
    }
  });
  return empty;
}

bool is_icmp(const kxset *obj) { return ieq(text(obj, "type"), "icmp"); }

template <typename T> bool share(const std::vector<T> &a, const std::vector<T> &b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j]) return true;
    if (a[i] < b[j]) ++i;
    else ++j;
  }
  return false;
}

// Rules grouped by their service cells, as candidates() below unites them.
struct ServiceLists {
  std::vector<uint32_t> any, empty, wild, all;
  std::unordered_map<const void *, std::vector<uint32_t>> postings;

  void add(uint32_t j, const RuleInfo &r) {
    all.push_back(j);
    switch (r.kind) {
    case Svc::any: any.push_back(j); break;
    case Svc::empty: empty.push_back(j); break;
    case Svc::wild: wild.push_back(j); break;
    case Svc::normal:
      for (const void *k : r.keys) postings[k].push_back(j);
      break;
    }
  }

  // Appends the rules that can shadow r as far as services go (unsorted,
  // possibly repeated).
  void collect(const RuleInfo &r, std::vector<uint32_t> &out) const {
    auto add_all = [&](const std::vector<uint32_t> &v) { out.insert(out.end(), v.begin(), v.end()); };
    switch (r.kind) {
    case Svc::any: return add_all(any);
    case Svc::empty: return add_all(empty);
    case Svc::wild: return add_all(all);
    case Svc::normal: break;
    }
    for (const void *k : r.keys)
      if (auto it = postings.find(k); it != postings.end()) add_all(it->second);
    add_all(wild);
    add_all(any);
  }
};

class Checker {
public:
  Checker(const rule_array &rules, int mode, std::string &text)
      : rules_(rules), mode_(mode), text_(text), nets_(kx_netobj), servs_(kx_services),
        src_index_(rules.size()), dst_index_(rules.size()), mark_(rules.size(), 0) {}

  // False when the text is full.
  bool run() {
    infos_.resize(rules_.size());
    for (size_t i = 0; i < rules_.size(); ++i)
      if (!rule(i)) return false;
    return true;
  }

private:
  bool say(const std::string &msg) {
    text_ += msg;
    return !check_full(text_);
  }

  int target_id(const kxset *t) {
    auto [it, fresh] = target_ids_.emplace(t->getnamea().record(), static_cast<int>(target_ids_.size()));
    (void)fresh;
    return it->second;
  }

  void prepare(size_t i, RuleInfo &r) {
    const kxset *rule = rules_[i];
    r.auth = is_authrule(rule);
    r.action = ruleaction(rule);
    const kxset *svc = rule->get(KxAtom("services"));
    r.src = &nets_.form(rule->get(KxAtom("src")));
    r.dst = &nets_.form(rule->get(KxAtom("dst")));
    r.svc = &servs_.form(svc);
    if (r.svc->any()) r.kind = Svc::any;
    else if (cell_noelements(svc)) r.kind = Svc::empty;
    else if (r.svc->negated() || r.svc->elements().everything()) r.kind = Svc::wild;
    if (r.kind != Svc::normal) return;
    for (const kxcomp::Leaf *l : r.svc->elements().leaves())
      if (l->kind != kxcomp::Kind::other && !is_icmp(l->obj)) r.keys.push_back(l->lname.record());
    std::sort(r.keys.begin(), r.keys.end());
    r.keys.erase(std::unique(r.keys.begin(), r.keys.end()), r.keys.end());
  }

  // The earlier rules that can shadow rule i as far as services go, in order.
  // The lists are filled in rule order, so each is sorted already.
  std::vector<size_t> candidates(size_t i, const RuleInfo &r) {
    switch (r.kind) {
    case Svc::any: return any_;
    case Svc::empty: return empty_;
    case Svc::wild: {
      std::vector<size_t> all(i);
      for (size_t j = 0; j < i; ++j) all[j] = j;
      return all;
    }
    case Svc::normal: break;
    }
    std::vector<size_t> named;
    for (const void *k : r.keys) {
      auto it = postings_.find(k);
      if (it != postings_.end()) named.insert(named.end(), it->second.begin(), it->second.end());
    }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::vector<size_t> some, out;
    std::set_union(named.begin(), named.end(), wild_.begin(), wild_.end(), std::back_inserter(some));
    std::set_union(some.begin(), some.end(), any_.begin(), any_.end(), std::back_inserter(out));
    return out;
  }

  // Rule j is among candidates(i, r): the service lists hold it.
  bool service_candidate(const RuleInfo &r, size_t j) const {
    const RuleInfo &b = infos_[j];
    switch (r.kind) {
    case Svc::any: return b.kind == Svc::any;
    case Svc::empty: return b.kind == Svc::empty;
    case Svc::wild: return true;
    case Svc::normal: break;
    }
    return b.kind == Svc::wild || b.kind == Svc::any || (b.kind == Svc::normal && share(r.keys, b.keys));
  }

  // The earlier rules that can shadow rule i, in order: those of
  // candidates(i, r) whose source and destination cells can contain rule
  // i's, as the cell indexes tell. A rule is then compared with the few
  // earlier rules that touch its addresses or names, not with all of them.
  std::vector<size_t> shadow_candidates(size_t i, const RuleInfo &r) {
    using kxcomp::CellIndex;
    CellIndex::Query qs = src_index_.query(*r.src), qd = dst_index_.query(*r.dst);
    if (qs.all && qd.all) return candidates(i, r);
    std::vector<uint32_t> found;
    if (qs.all || qd.all) {
      const CellIndex &other = qs.all ? dst_index_ : src_index_;
      found = std::move(qs.all ? qd.narrow : qs.narrow);
      found.insert(found.end(), other.wide_rules().begin(), other.wide_rules().end());
    } else {
      // In source and destination: narrow in one and narrow or wide in the
      // other, or wide in both.
      uint32_t stamp = static_cast<uint32_t>(i) + 1;
      for (uint32_t j : qd.narrow) mark_[j] = stamp;
      for (uint32_t j : qs.narrow)
        if (mark_[j] == stamp || dst_index_.wide(j)) found.push_back(j);
      for (uint32_t j : qd.narrow)
        if (src_index_.wide(j)) found.push_back(j);
      wide_both_.collect(r, found);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<size_t> out;
    for (uint32_t j : found)
      if (service_candidate(r, j)) out.push_back(j);
    return out;
  }

  void index(size_t i, const RuleInfo &r) {
    if (!r.targeted) return;
    uint32_t j = static_cast<uint32_t>(i);
    src_index_.add(j, *r.src);
    dst_index_.add(j, *r.dst);
    if (src_index_.wide(j) && dst_index_.wide(j)) wide_both_.add(j, r);
    switch (r.kind) {
    case Svc::any: any_.push_back(i); break;
    case Svc::empty: empty_.push_back(i); break;
    case Svc::wild: wild_.push_back(i); break;
    case Svc::normal:
      for (const void *k : r.keys) postings_[k].push_back(i);
      break;
    }
  }

  // The message when rule j shadows rule i, or "".
  std::string shadow(size_t j, size_t i) {
    const RuleInfo &a = infos_[i], &b = infos_[j];
    if (!share(a.targets, b.targets)) return "";
    if (!kxcomp::form_contained(*a.src, *b.src) || !kxcomp::form_contained(*a.dst, *b.dst))
      return "";
    const char *word = ieq(a.action, b.action) ? "hides" : "overrides";
    if (a.kind == Svc::empty) {
      if (b.kind != Svc::empty) return "";
      return kxu::format("Rule %zu %s rule %zu\n", j + 1, word, i + 1);
    }
    std::vector<const kxset *> common;
    if (b.kind == Svc::any) {
      common = kxcomp::form_common(*b.svc, *a.svc);
    } else if (a.kind == Svc::any) {
      return "";
    } else {
      common = kxcomp::form_common(*a.svc, *b.svc, kxcomp::kind_bit(kxcomp::Kind::other));
      std::erase_if(common, [](const kxset *s) { return is_icmp(s); });
    }
    if (common.empty()) return "";
    std::string msg = kxu::format("Rule %zu %s rule %zu, service %s", j + 1, word, i + 1,
                                  common[0]->getname());
    for (size_t k = 1; k < common.size(); ++k) msg += kxu::format(", %s", common[k]->getname());
    return msg + "\n";
  }

  bool rule(size_t i) {
    RuleInfo &r = infos_[i];
    const kxset *rule = rules_[i];
    int n = static_cast<int>(i + 1);
    KxSetRef targets(kxset::make());
    gen_targets(rule, targets.get(), mode_, nullptr, 0);
    each_member(targets.get(), [&](kxset *t) { r.targets.push_back(target_id(t)); });
    std::sort(r.targets.begin(), r.targets.end());
    if (r.targets.empty()) {
      if (!targets->get(KxAtom("others")) && !say(kxu::format("No install target for rule %d\n", n)))
        return false;
      return true;
    }
    r.targeted = true;
    for (const char *cell : {"src", "dst", "services"})
      if (cell_noelements(rule->get(KxAtom(cell))) &&
          !say(kxu::format("Rule %d: no elements in %s\n", n, cell)))
        return false;
    prepare(i, r);
    if (!r.auth)
      for (size_t j : shadow_candidates(i, r)) {
        if (!infos_[j].targeted) continue;
        std::string msg = shadow(j, i);
        if (!msg.empty() && !say(msg)) return false;
      }
    index(i, r);
    return true;
  }

  const rule_array &rules_;
  int mode_;
  std::string &text_;
  FormCache nets_, servs_;
  TargetCache target_cache_;
  std::vector<RuleInfo> infos_;
  std::unordered_map<const void *, int> target_ids_;
  std::vector<size_t> any_, empty_, wild_;
  std::unordered_map<const void *, std::vector<size_t>> postings_;
  kxcomp::CellIndex src_index_, dst_index_;
  ServiceLists wide_both_;      // rules wide in both indexes
  std::vector<uint32_t> mark_;      // query stamps by rule
};

} // namespace

namespace kxrb {
bool check_full(std::string &text) {
  if (text.size() + kCheckMargin < kCheckTextSize) return false;
  text += kTooMany;
  return true;
}
} // namespace kxrb

bool cell_noelements(const kxset *cell) {
  if (!cell) return true;
  if (cell_any(cell)) return false;
  std::set<const kxset *> seen;
  return noelements(cell, seen);
}

std::optional<std::string> gen_check(const rule_array &rules, int mode) {
  if (rules.empty()) return std::string("Empty Filter\n");
  std::string text = gen_authcheck(rules).value_or("");
  bool full = text.size() >= std::char_traits<char>::length(kTooMany) &&
              text.ends_with(kTooMany);
  if (!full && !check_full(text)) {
    Checker c(rules, mode, text);
    c.run();
  }
  if (text.empty()) return std::nullopt;
  return text;
}
