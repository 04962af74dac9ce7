#include "kxui/analysis/diff.h"

#include "kxui/analysis/json.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/objfile/objects.h"

#include <cctype>
#include <unordered_set>

namespace kxan {

namespace {

std::string lower(std::string_view s) {
  std::string o(s);
  for (char &c : o) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return o;
}

} // namespace

std::optional<std::string> unknown_names(const rule_array &rules, const std::string &file) {
  std::unordered_set<std::string> known;
  for (const kxset *t : {kx_netobj, kx_services, kx_kxobj, kx_actions, kx_trackobj, kx_targets})
    kxrb::each_member(t, [&](kxset *m) { known.insert(lower(m->getname())); });
  static const char *const cells[] = {"src", "dst", "services", "action", "track"};
  for (size_t i = 0; i < rules.size(); ++i)
    for (const char *cell : cells) {
      std::optional<std::string> bad;
      kxrb::each_member(rules[i]->get(KxAtom(cell)), [&](kxset *m) {
        // "Group@network" (user authentication): the network is the object.
        std::string name = m->getname();
        if (size_t at = name.rfind('@'); at != std::string::npos) name = name.substr(at + 1);
        if (!bad && !known.count(lower(name))) bad = m->getname();
      });
      if (bad)
        return file + " rule " + std::to_string(i + 1) + " " + cell + " names '" + *bad +
               "', which the objects database does not hold (rule bases over other objects: give --objects)";
    }
  return std::nullopt;
}

SideModel model_side(const rule_array &rules, const std::vector<Target> &targets, ServiceKeys &keys) {
  SideModel s;
  for (const kxset *r : rules) s.content.push_back(rule_content(r));
  PolicyBuilder b(&keys);
  for (const Target &t : targets) {
    s.policies.push_back(b.build(rules, t));
    for (RuleModel &m : s.policies.back().rules) m.rule = nullptr; // the objects may be unloaded
  }
  return s;
}

std::vector<Target> merge_targets(const std::vector<Target> &a, const std::vector<Target> &b) {
  std::vector<Target> out;
  for (const auto *side : {&a, &b})
    for (const Target &t : *side) {
      bool seen = false;
      for (const Target &o : out) seen = seen || (kxrb::ieq(o.name, t.name) && o.router == t.router);
      if (!seen) out.push_back({t.name, t.router, nullptr});
    }
  return out;
}

PolicyDiff diff_sides(const SideModel &o, const SideModel &n, const std::vector<Target> &targets) {
  PolicyDiff d;
  d.rules = diff_rules(o.content, n.content);
  for (size_t i = 0; i < targets.size(); ++i) {
    std::vector<Block> blocks = semantic_diff(o.policies[i], n.policies[i], d.rules.kept);
    if (!blocks.empty()) d.traffic.emplace_back(targets[i], std::move(blocks));
  }
  return d;
}

namespace {

std::string change_text(const RuleChange &c) {
  std::string s = std::string(change_word(c.kind)) + ":";
  if (c.kind == RuleChange::added) return s + " new rule " + std::to_string(c.new_number);
  if (c.kind == RuleChange::removed) return s + " old rule " + std::to_string(c.old_number);
  s += " rule " + std::to_string(c.old_number) + " -> " + std::to_string(c.new_number);
  if (!c.cells.empty()) {
    s += " (";
    for (size_t i = 0; i < c.cells.size(); ++i) s += (i ? ", " : "") + c.cells[i];
    s += ")";
  }
  return s;
}

} // namespace

std::string diff_text(const PolicyDiff &d, const RangeNames &names) {
  std::string out;
  for (const RuleChange &c : d.rules.changes) out += change_text(c) + "\n";
  if (d.rules.changes.empty()) out += "rules: the same\n";
  if (d.equal_in_effect()) return out + "decisions: the same for every connection\n";
  for (const auto &[t, blocks] : d.traffic) {
    out += "decisions that differ on " + t.name + (t.router ? " (router)" : "") + ":\n";
    for (const Block &b : blocks)
      out += "  src " + names.address(b.lo[0], b.hi[0]) + "; dst " + names.address(b.lo[1], b.hi[1]) +
             "; service " + names.service(b.lo[2], b.hi[2]) + "; old " + b.old_action + "; new " + b.new_action +
             "\n";
  }
  return out;
}

std::string diff_json(const PolicyDiff &d, const RangeNames &names) {
  std::string out = "{\"rules\": [";
  for (size_t i = 0; i < d.rules.changes.size(); ++i) {
    const RuleChange &c = d.rules.changes[i];
    out += (i ? ",\n   " : "\n   ") + std::string("{\"change\": ") + json_quote(change_word(c.kind));
    if (c.old_number) out += ", \"old\": " + std::to_string(c.old_number);
    if (c.new_number) out += ", \"new\": " + std::to_string(c.new_number);
    if (!c.cells.empty()) {
      out += ", \"cells\": [";
      for (size_t k = 0; k < c.cells.size(); ++k) out += (k ? ", " : "") + json_quote(c.cells[k]);
      out += "]";
    }
    out += "}";
  }
  out += "],\n \"equal_in_effect\": " + std::string(d.equal_in_effect() ? "true" : "false") + ",\n \"traffic\": [";
  bool first = true;
  for (const auto &[t, blocks] : d.traffic)
    for (const Block &b : blocks) {
      out += (first ? "\n   " : ",\n   ") + std::string("{\"target\": ") + json_quote(t.name) +
             ", \"src\": " + json_quote(names.address(b.lo[0], b.hi[0])) +
             ", \"dst\": " + json_quote(names.address(b.lo[1], b.hi[1])) +
             ", \"service\": " + json_quote(names.service(b.lo[2], b.hi[2])) +
             ", \"old\": " + json_quote(b.old_action) + ", \"new\": " + json_quote(b.new_action) + "}";
      first = false;
    }
  return out + "]}\n";
}

} // namespace kxan
