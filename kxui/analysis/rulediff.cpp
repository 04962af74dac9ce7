#include "kxui/analysis/rulediff.h"

#include "kxui/compiler/cellutil.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace kxan {

namespace {

const char *const kCells[] = {"src", "dst", "services", "action", "track", "install"};

std::string cell_content(const kxset *rule, const char *cell) {
  const kxset *c = rule->get(KxAtom(cell));
  std::string s = cell;
  s += kxrb::cell_not(c) ? " not:" : ":";
  kxrb::each_member(c, [&](kxset *m) {
    s += ' ';
    for (const char *p = m->getname(); *p; ++p) s += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  });
  return s;
}

std::vector<std::string> split_lines(const std::string &s) {
  std::vector<std::string> out;
  size_t from = 0;
  for (size_t at; (at = s.find('\n', from)) != std::string::npos; from = at + 1) out.push_back(s.substr(from, at - from));
  return out;
}

// Indexes (into `seq`) of one longest strictly increasing subsequence.
std::vector<size_t> longest_increasing(const std::vector<int> &seq) {
  std::vector<size_t> tails, prev(seq.size(), SIZE_MAX);
  for (size_t i = 0; i < seq.size(); ++i) {
    auto it = std::lower_bound(tails.begin(), tails.end(), seq[i], [&](size_t t, int v) { return seq[t] < v; });
    if (it != tails.begin()) prev[i] = *std::prev(it);
    if (it == tails.end()) tails.push_back(i);
    else *it = i;
  }
  std::vector<size_t> out;
  for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = prev[i]) out.push_back(i);
  std::reverse(out.begin(), out.end());
  return out;
}

} // namespace

std::string rule_content(const kxset *rule) {
  std::string s;
  for (const char *c : kCells) s += cell_content(rule, c) + "\n";
  return s;
}

const char *change_word(RuleChange::Kind k) {
  switch (k) {
  case RuleChange::added: return "added";
  case RuleChange::removed: return "removed";
  case RuleChange::moved: return "moved";
  case RuleChange::changed: return "changed";
  }
  return "";
}

RuleDiff diff_rules(const std::vector<std::string> &oc, const std::vector<std::string> &nc) {
  // Pair equal contents, the k-th old copy with the k-th new copy.
  std::map<std::string, std::vector<int>> new_at;
  for (size_t j = 0; j < nc.size(); ++j) new_at[nc[j]].push_back(static_cast<int>(j));
  std::map<std::string, size_t> used;
  std::vector<int> match(oc.size(), -1);
  std::vector<bool> new_taken(nc.size(), false);
  std::vector<int> seq;
  std::vector<size_t> seq_old;
  for (size_t i = 0; i < oc.size(); ++i) {
    auto it = new_at.find(oc[i]);
    if (it == new_at.end()) continue;
    size_t &k = used[oc[i]];
    if (k >= it->second.size()) continue;
    match[i] = it->second[k++];
    new_taken[static_cast<size_t>(match[i])] = true;
    seq.push_back(match[i]);
    seq_old.push_back(i);
  }
  RuleDiff d;
  std::vector<bool> in_order(oc.size(), false);
  for (size_t k : longest_increasing(seq)) {
    in_order[seq_old[k]] = true;
    d.kept.emplace_back(static_cast<int>(seq_old[k]) + 1, seq[k] + 1);
  }
  // Between two kept rules (and before the first, after the last), the
  // rules left on both sides are paired by position as changed; the rest
  // were removed or added.
  std::vector<std::pair<int, int>> anchors;
  for (const auto &[o, n] : d.kept) anchors.emplace_back(o - 1, n - 1);
  anchors.emplace_back(static_cast<int>(oc.size()), static_cast<int>(nc.size()));
  std::vector<RuleChange> moved, added;
  int prev_o = -1, prev_n = -1;
  for (const auto &[ao, an] : anchors) {
    std::vector<int> olds, news;
    for (int i = prev_o + 1; i < ao; ++i)
      if (match[static_cast<size_t>(i)] < 0) olds.push_back(i);
    for (int j = prev_n + 1; j < an; ++j)
      if (!new_taken[static_cast<size_t>(j)]) news.push_back(j);
    for (size_t k = 0; k < olds.size(); ++k) {
      const size_t i = static_cast<size_t>(olds[k]);
      if (k >= news.size()) {
        d.changes.push_back({RuleChange::removed, olds[k] + 1, 0, {}});
        continue;
      }
      const size_t j = static_cast<size_t>(news[k]);
      new_taken[j] = true;
      RuleChange c{RuleChange::changed, olds[k] + 1, news[k] + 1, {}};
      std::vector<std::string> x = split_lines(oc[i]), y = split_lines(nc[j]);
      for (size_t m = 0; m < x.size() && m < y.size(); ++m)
        if (x[m] != y[m]) c.cells.push_back(kCells[m]);
      d.changes.push_back(std::move(c));
    }
    prev_o = ao;
    prev_n = an;
  }
  for (size_t i = 0; i < oc.size(); ++i)
    if (match[i] >= 0 && !in_order[i]) moved.push_back({RuleChange::moved, static_cast<int>(i) + 1, match[i] + 1, {}});
  for (size_t j = 0; j < nc.size(); ++j)
    if (!new_taken[j]) added.push_back({RuleChange::added, 0, static_cast<int>(j) + 1, {}});
  d.changes.insert(d.changes.end(), moved.begin(), moved.end());
  d.changes.insert(d.changes.end(), added.begin(), added.end());
  return d;
}

} // namespace kxan
