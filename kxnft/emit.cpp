#include "emit.h"

#include "group.h"

#include <algorithm>

namespace kxnft {

namespace {

std::string counter_name(const Decision &d) {
  if (d.rule < 0)
    return "accept_implied";
  return d.action + "_r" + std::to_string(d.rule) + (d.format.empty() ? "" : "_log");
}

std::string join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto &p : parts)
    if (!p.empty())
      out += (out.empty() ? "" : " ") + p;
  return out;
}

std::string chain_text(const std::string &name, const std::vector<std::string> &lines, const std::string &hook) {
  std::string s = "\tchain " + name + " {\n";
  if (!hook.empty())
    s += "\t\t" + hook + "\n";
  for (const auto &l : lines)
    s += "\t\t" + l + "\n";
  return s + "\t}\n";
}

} // namespace

void Emitter::note_counter(const std::string &name) {
  if (std::find(counters_.begin(), counters_.end(), name) == counters_.end())
    counters_.push_back(name);
}

std::string Emitter::verdict(const Decision &d, bool inbound) {
  std::string name = counter_name(d);
  note_counter(name);
  std::string v = "counter name \"" + name + "\"";
  if (!d.format.empty())
    v += " log prefix \"kx " + std::to_string(d.rule) + " " + d.format + " " + d.action + " " + d.alert +
         (inbound ? " in" : " out") + "\" group " + std::to_string(options_.nflog_group);
  if (d.action == "reject")
    return v + " reject with icmpx type admin-prohibited";
  return v + " " + d.action;
}

void Emitter::add(const Translated &t, size_t index) {
  if (t.inbound)
    inbound_.push_back(Entry{"", t, index});
  if (t.outbound)
    outbound_.push_back(Entry{"", t, index});
}

void Emitter::add_line(bool in, bool out, const std::string &line) {
  if (in)
    inbound_.push_back(Entry{line, std::nullopt, 0});
  if (out)
    outbound_.push_back(Entry{line, std::nullopt, 0});
}

// A rule as lines of its own; conditions with alternatives or negations get
// chains of their own.
void Emitter::plain_lines(const Translated &t, size_t index, bool inbound, std::vector<std::string> &lines) {
  std::string scope = t.iface.empty() ? "" : std::string(inbound ? "iifname" : "oifname") + " \"" + t.iface + "\"";
  std::string simple;
  std::vector<const Clause *> complex;
  for (const auto &c : t.clauses) {
    if (!c.negated && c.alts.size() == 1)
      simple = join({simple, c.alts[0]});
    else
      complex.push_back(&c);
  }
  std::string v = verdict(t.decision, inbound);
  if (complex.empty()) {
    lines.push_back(join({scope, simple, v}));
  } else if (complex.size() == 1 && !complex[0]->negated) {
    for (const auto &alt : complex[0]->alts)
      lines.push_back(join({scope, simple, alt, v}));
  } else {
    std::string chain = "s" + std::to_string(index) + (inbound ? "_in" : "_out");
    lines.push_back(join({scope, simple, "jump " + chain}));
    sub_chains(chain, complex, v);
  }
}

// Negated clauses return at their first matching alternative; each positive
// clause with alternatives hands on to the next one's chain.
void Emitter::sub_chains(const std::string &chain, const std::vector<const Clause *> &complex, const std::string &v) {
  std::vector<std::string> lines;
  std::vector<const Clause *> positive;
  for (const Clause *c : complex) {
    if (c->negated)
      for (const auto &alt : c->alts)
        lines.push_back(alt + " return");
    else
      positive.push_back(c);
  }
  if (positive.empty()) {
    lines.push_back(v);
    subs_.emplace_back(chain, lines);
    return;
  }
  std::string current = chain;
  for (size_t p = 0; p < positive.size(); ++p) {
    std::string next = chain + "_" + std::to_string(p + 2);
    bool last = p + 1 == positive.size();
    for (const auto &alt : positive[p]->alts)
      lines.push_back(join({alt, last ? v : "jump " + next}));
    subs_.emplace_back(current, lines);
    lines.clear();
    current = next;
  }
}

// The lines of one check. Rules of box form are planned into maps; a map
// that would hold one rule stays that rule's own lines.
std::vector<std::string> Emitter::check_lines(CondContext &cx, const std::vector<Entry> &entries, bool inbound) {
  const std::string dir = inbound ? "_in" : "_out";
  ListLookup lists = [&cx](const std::string &name, std::vector<std::string> &out) {
    auto it = cx.script.lists.find(name);
    return it != cx.script.lists.end() && list_elements(cx, it->second, out);
  };
  std::vector<std::optional<Box>> boxes(entries.size());
  std::vector<const Box *> plan_input(entries.size(), nullptr);
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto &r = entries[i].rule;
    Box b;
    if (options_.maps && r && r->iface.empty() && box_of(r->clauses, lists, b)) {
      boxes[i] = std::move(b);
      plan_input[i] = &*boxes[i];
    }
  }
  std::vector<std::string> lines;
  for (const Block &block : plan_blocks(plan_input)) {
    if (!block.map || block.items.size() == 1) {
      for (size_t i : block.items) {
        if (entries[i].rule)
          plain_lines(*entries[i].rule, entries[i].index, inbound, lines);
        else
          lines.push_back(entries[i].line);
      }
      continue;
    }
    std::string map = "g" + std::to_string(++map_count_) + dir;
    std::string elements, portless;
    for (size_t k = 0; k < block.items.size(); ++k) {
      const Entry &e = entries[block.items[k]];
      std::string chain = "v" + std::to_string(e.index) + dir;
      verdict_chains_.emplace_back(chain, std::vector<std::string>{verdict(e.rule->decision, inbound)});
      for (const auto &piece : block.ported[k])
        for (const auto &key : element_keys(piece, true))
          elements += std::string(elements.empty() ? "" : ",\n\t\t\t") + key + " : jump " + chain;
      for (const auto &piece : block.portless[k])
        for (const auto &key : element_keys(piece, false))
          portless += std::string(portless.empty() ? "" : ",\n\t\t\t") + key + " : jump " + chain;
    }
    auto define = [this](const std::string &name, const std::string &type, const std::string &elems) {
      std::vector<std::string> def{"type " + type + " : verdict", "flags interval"};
      if (!elems.empty())
        def.push_back("elements = { " + elems + " }");
      maps_.emplace_back(name, def);
    };
    define(map, "ipv4_addr . ipv4_addr . inet_proto . inet_service", elements);
    std::string lookup = "ip saddr . ip daddr . meta l4proto . th dport vmap @" + map;
    if (portless.empty()) {
      lines.push_back(lookup);
      continue;
    }
    // Packets whose ports cannot be read meet only the rules without ports.
    define(map + "_noports", "ipv4_addr . ipv4_addr", portless);
    std::string chain = "m" + map.substr(1);
    subs_.emplace_back(chain, std::vector<std::string>{lookup, "th dport 0-65535 return",
                                                       "ip saddr . ip daddr vmap @" + map + "_noports"});
    lines.push_back("jump " + chain);
  }
  return lines;
}

bool Emitter::text(CondContext &cx, std::string &s) {
  auto in_lines = check_lines(cx, inbound_, true);
  auto out_lines = check_lines(cx, outbound_, false);
  if (!cx.error.empty())
    return false;
  s.clear();
  if (!options_.title.empty())
    s += "# " + options_.title + "\n";
  s += "table inet kx {\n";
  for (const auto &name : cx.used_lists) {
    const List &l = cx.script.lists.at(name);
    std::vector<std::string> elems;
    if (!list_elements(cx, l, elems))
      return false;
    s += "\tset " + name + " {\n\t\ttype ipv4_addr\n";
    if (l.kind == "net")
      s += "\t\tflags interval\n\t\tauto-merge\n";
    if (!elems.empty()) {
      s += "\t\telements = { ";
      for (size_t i = 0; i < elems.size(); ++i)
        s += (i ? ", " : "") + elems[i];
      s += " }\n";
    }
    s += "\t}\n";
  }
  note_counter("drop_default");
  for (const auto &c : counters_)
    s += "\tcounter " + c + " {\n\t}\n";
  // Map elements jump to the verdict chains, and the checks look up the
  // maps: each is written before what uses it.
  for (const auto &[name, lines] : verdict_chains_)
    s += chain_text(name, lines, "");
  for (const auto &[name, def] : maps_) {
    s += "\tmap " + name + " {\n";
    for (const auto &d : def)
      s += "\t\t" + d + "\n";
    s += "\t}\n";
  }
  s += chain_text("inbound", in_lines, "");
  s += chain_text("outbound", out_lines, "");
  for (const auto &[name, lines] : subs_)
    s += chain_text(name, lines, "");
  const char *drop = "counter name \"drop_default\" drop";
  s += chain_text("input_filter", {"jump inbound", drop}, "type filter hook input priority filter; policy drop;");
  s += chain_text("forward_in", {"jump inbound", drop}, "type filter hook forward priority filter; policy drop;");
  s += chain_text("forward_out", {"jump outbound", drop}, "type filter hook forward priority filter + 10; policy drop;");
  s += chain_text("output_filter", {"jump outbound", drop}, "type filter hook output priority filter; policy drop;");
  s += "}\n";
  return true;
}

} // namespace kxnft
