#include "kxui/analysis/where.h"

#include "kxui/analysis/json.h"
#include "kxui/compiler/addr.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/objfile/objects.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <unordered_map>

using kxrb::each_member;

namespace kxan {

namespace {

std::string lower(std::string_view s) {
  std::string o(s);
  for (char &c : o) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return o;
}

bool is_group(const kxset *s) { return kxcomp::kind_of(s) == kxcomp::Kind::group; }

// Every group that holds the object, with the chain of groups below it.
struct Holders {
  struct Entry {
    std::string table, name;
    std::vector<std::string> via;
  };
  std::unordered_map<std::string, Entry> by_name; // lower-case group name
  std::vector<std::string> order;                 // breadth first: nearest groups first
};

Holders find_holders(const std::string &target) {
  // Reverse edges: member name -> groups holding it, over both tables.
  struct Parent {
    std::string table, name;
  };
  std::unordered_map<std::string, std::vector<Parent>> parents;
  auto scan = [&](const kxset *table, const char *tname) {
    each_member(table, [&](kxset *g) {
      if (!is_group(g)) return;
      each_member(g, [&](kxset *m) { parents[lower(m->getname())].push_back({tname, g->getname()}); });
    });
  };
  scan(kx_netobj, "netobj");
  scan(kx_services, "servobj");
  Holders h;
  std::deque<std::string> todo{lower(target)};
  std::unordered_map<std::string, std::vector<std::string>> chain{{lower(target), {}}};
  while (!todo.empty()) {
    std::string cur = todo.front();
    todo.pop_front();
    auto it = parents.find(cur);
    if (it == parents.end()) continue;
    for (const Parent &p : it->second) {
      std::string key = lower(p.name);
      if (chain.count(key)) continue; // seen (a group holding itself is walked once)
      std::vector<std::string> via = chain[cur];
      if (cur != lower(target)) via.insert(via.begin(), h.by_name.at(cur).name);
      chain[key] = via;
      h.by_name[key] = {p.table, p.name, via};
      h.order.push_back(key);
      todo.push_back(key);
    }
  }
  return h;
}

const kxset *find_in(const kxset *table, const std::string &name) {
  const kxset *found = nullptr;
  each_member(table, [&](kxset *m) {
    if (!found && kxrb::ieq(m->getname(), name)) found = m;
  });
  return found;
}

} // namespace

std::optional<WhereUsed> where_used(const std::string &name, const std::vector<NamedRulebase> &rulebases,
                                    std::string *err) {
  WhereUsed w;
  static const struct {
    kxset **table;
    const char *name;
  } tables[] = {{&kx_netobj, "netobj"}, {&kx_services, "servobj"}, {&kx_actions, "actobj"},
                {&kx_trackobj, "trackobj"}, {&kx_targets, "targobj"}};
  for (const auto &t : tables)
    if (const kxset *obj = *t.table ? find_in(*t.table, name) : nullptr) {
      w.name = obj->getname();
      w.table = t.name;
      break;
    }
  if (w.table.empty()) {
    *err = "unknown object or service '" + name + "'";
    return std::nullopt;
  }
  Holders h = find_holders(w.name);
  for (const std::string &k : h.order) {
    const Holders::Entry &e = h.by_name.at(k);
    w.groups.push_back({e.table, e.name, e.via});
  }
  const std::string self = lower(w.name);
  static const char *const cells[] = {"src", "dst", "services", "install", "action", "track"};
  for (const NamedRulebase &rb : rulebases)
    for (size_t i = 0; i < rb.second.size(); ++i)
      for (const char *cell : cells) {
        const kxset *c = rb.second[i]->get(KxAtom(cell));
        std::optional<RuleUse> best;
        each_member(c, [&](kxset *m) {
          std::string k = lower(m->getname());
          RuleUse u{rb.first, static_cast<int>(i + 1), cell, m->getname(), {}};
          if (k != self) {
            auto it = h.by_name.find(k);
            if (it == h.by_name.end()) return;
            u.via = it->second.via;
            u.via.insert(u.via.begin(), m->getname());
          }
          if (!best || u.via.size() < best->via.size()) best = std::move(u);
        });
        if (best) w.rules.push_back(std::move(*best));
      }
  return w;
}

namespace {

std::string through(const std::vector<std::string> &via) {
  std::string s;
  for (size_t i = 0; i < via.size(); ++i) s += (i ? ", " : " through ") + via[i];
  return s;
}

std::string json_list(const std::vector<std::string> &v) {
  std::string s = "[";
  for (size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + json_quote(v[i]);
  return s + "]";
}

} // namespace

std::string where_text(const WhereUsed &w) {
  std::string out;
  for (const GroupUse &g : w.groups)
    out += "group " + g.group + " (" + g.table + ") holds " + w.name + through(g.via) + "\n";
  for (const RuleUse &r : w.rules) {
    out += r.rulebase + " rule " + std::to_string(r.rule) + " " + r.cell + ": " + r.item;
    out += through(r.via);
    out += "\n";
  }
  if (w.groups.empty() && w.rules.empty()) out += w.name + " is not used\n";
  return out;
}

std::string where_json(const WhereUsed &w) {
  std::string out = "{\"name\": " + json_quote(w.name) + ", \"table\": " + json_quote(w.table) + ",\n \"groups\": [";
  for (size_t i = 0; i < w.groups.size(); ++i) {
    const GroupUse &g = w.groups[i];
    out += (i ? ",\n   " : "\n   ") + std::string("{\"group\": ") + json_quote(g.group) +
           ", \"table\": " + json_quote(g.table) + ", \"via\": " + json_list(g.via) + "}";
  }
  out += "],\n \"rules\": [";
  for (size_t i = 0; i < w.rules.size(); ++i) {
    const RuleUse &r = w.rules[i];
    out += (i ? ",\n   " : "\n   ") + std::string("{\"rulebase\": ") + json_quote(r.rulebase) +
           ", \"rule\": " + std::to_string(r.rule) + ", \"cell\": " + json_quote(r.cell) +
           ", \"item\": " + json_quote(r.item) + ", \"via\": " + json_list(r.via) + "}";
  }
  return out + "]}\n";
}

} // namespace kxan
