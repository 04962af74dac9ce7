#include "emit.h"

#include "group.h"

#include <algorithm>
#include <set>

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
  return "counter name \"" + name + "\" " + action_text(d, inbound);
}

// What a decision does after counting: log when tracked, then the verdict.
std::string Emitter::action_text(const Decision &d, bool inbound) const {
  std::string v;
  if (!d.format.empty())
    v += "log prefix \"kx " + std::to_string(d.rule) + " " + d.format + " " + d.action + " " + d.alert +
         (inbound ? " in" : " out") + "\" group " + std::to_string(options_.nflog_group) + " ";
  if (d.action == "reject")
    return v + "reject with icmpx type admin-prohibited";
  return v + d.action;
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

namespace {

std::string key_field(const char *field, int len, int bits) {
  std::string f = field;
  if (len == bits)
    return f;
  uint32_t mask = prefix_mask(len, bits);
  return f + " & " + (bits == 32 ? dotted_text(mask) : std::to_string(mask));
}

// A set's size: the kernel then keeps it in a hash table of that size,
// which takes elements faster than one that grows.
std::string size_line(size_t n) { return "size " + std::to_string(std::max<size_t>(n, 1)); }

std::string proto_text(uint32_t p) { return p == 6 ? "tcp" : p == 17 ? "udp" : std::to_string(p); }

// The map's key expression and type, and an element's key, as nft writes them.
std::pair<std::string, std::string> key_text(const Shape &shape) {
  std::string expr, type;
  auto add = [&](const std::string &e, const char *t) {
    expr += (expr.empty() ? "" : " . ") + e;
    type += std::string(type.empty() ? "" : " . ") + t;
  };
  // nft reads a masked field inside a mark's key only in parentheses.
  auto field = [](const char *f, int len, int bits) {
    return len == bits ? std::string(f) : "(" + key_field(f, len, bits) + ")";
  };
  if (shape.dst)
    add(field("ip daddr", shape.dst, 32), "ipv4_addr");
  if (shape.src)
    add(field("ip saddr", shape.src, 32), "ipv4_addr");
  if (shape.ports) {
    add("meta l4proto", "inet_proto");
    add(field("th dport", shape.port, 16), "inet_service");
  }
  return {expr, type};
}

void append_key(std::string &out, const Shape &shape, const Key &k) {
  size_t start = out.size();
  auto add = [&](const std::string &v) { out += (out.size() == start ? "" : " . ") + v; };
  if (shape.dst)
    add(dotted_text(k.dst));
  if (shape.src)
    add(dotted_text(k.src));
  if (shape.ports) {
    add(proto_text(k.proto));
    add(std::to_string(k.port));
  }
}

} // namespace

// One map's lookup, the map written. In a first hit block a key found sets
// the mark to its place and goes on to the block's decision; else it jumps
// to the chain of its place, which keeps the lowest place in the mark. A
// key of no fields holds every packet.
std::string Emitter::lookup_line(const HashMap &m, const std::string &name, const Places &places) {
  auto [expr, type] = key_text(m.shape);
  auto value = [&](size_t place) {
    return places.first_hit ? std::to_string(place) : "jump " + places.chains[place];
  };
  if (expr.empty())
    return places.first_hit ? "meta mark set " + value(m.elements.front().second) + " goto " + places.decide
                            : value(m.elements.front().second);
  std::string elements;
  elements.reserve(m.elements.size() * 32);
  for (const auto &[key, place] : m.elements) {
    if (!elements.empty())
      elements += ",\n\t\t\t";
    append_key(elements, m.shape, key);
    elements += " : " + value(place);
  }
  maps_.emplace_back("h" + name,
                     std::vector<std::string>{"type " + type + (places.first_hit ? " : mark" : " : verdict"),
                                              size_line(m.elements.size()), "elements = { " + elements + " }"});
  if (places.first_hit)
    return "meta mark set " + expr + " map @h" + name + " goto " + places.decide;
  return expr + " vmap @h" + name;
}

// A block of rules as hash map lookups, the longest prefixes first. In a
// first hit block the first key found puts the place of its rule in the
// packet mark and goes on to the block's decision, the chain "k<block>".
// Else every key found jumps to the chain of its rule's place, which keeps
// the lowest place in the mark, and the decision follows the lookups. The
// decision: the mark picks the rule's counter and its verdict. A packet
// that no rule of the block decides goes on to what follows the block
// (with its mark cleared, where the lookups set it).
void Emitter::map_lines(const std::vector<Entry> &entries, const Block &block, bool inbound,
                        std::vector<std::string> &lines) {
  const std::string dir = inbound ? "_in" : "_out";
  std::string block_name = std::to_string(++map_count_) + dir;
  Places places{block.first_hit, "k" + block_name, std::vector<std::string>(block.items.size())};
  std::string counters, dispatch;
  for (size_t k = 0; k < block.items.size(); ++k) {
    const Entry &e = entries[block.items[k]];
    const Decision &d = e.rule->decision;
    std::string place = std::to_string(k), counter = counter_name(d);
    if (!block.first_hit) {
      places.chains[k] = "c" + std::to_string(e.index) + dir;
      verdict_chains_.emplace_back(places.chains[k],
                                   std::vector<std::string>{"meta mark > " + place + " meta mark set " + place});
    }
    note_counter(counter);
    counters += (counters.empty() ? "" : ", ") + place + " : \"" + counter + "\"";
    // Plain verdicts go in the map; logging and reject need a chain.
    std::string action = action_text(d, inbound);
    if (action.find(' ') != std::string::npos) {
      std::string chain = "v" + std::to_string(e.index) + dir;
      verdict_chains_.emplace_back(chain, std::vector<std::string>{action});
      action = "jump " + chain;
    }
    dispatch += (dispatch.empty() ? "" : ", ") + place + " : " + action;
  }
  if (!block.first_hit)
    lines.push_back("meta mark set 0xffffffff");
  // Maps whose keys hold the same destination prefix length are looked up
  // only when a set of their destination prefixes holds the packet's: a
  // packet meets one test per length and the lookups of the lengths its
  // destination has in the rules.
  int n = 0;
  for (size_t first = 0, end = 0; first < block.maps.size(); first = end) {
    int len = block.maps[first].shape.dst;
    for (end = first; end < block.maps.size() && block.maps[end].shape.dst == len;)
      ++end;
    std::vector<std::string> *target = &lines;
    if (len > 0 && end - first > 1) {
      std::string set = "a" + block_name + "_" + std::to_string(len), chain = "s" + block_name + "_" + std::to_string(len);
      std::set<uint32_t> seen;
      std::string elements;
      for (size_t i = first; i < end; ++i)
        for (const auto &e : block.maps[i].elements)
          if (seen.insert(e.first.dst).second)
            elements += (elements.empty() ? "" : ", ") + dotted_text(e.first.dst);
      sets_.emplace_back(set, std::vector<std::string>{"type ipv4_addr", size_line(seen.size()),
                                                       "elements = { " + elements + " }"});
      lines.push_back(key_field("ip daddr", len, 32) + " @" + set + " jump " + chain);
      subs_.emplace_back(chain, std::vector<std::string>{});
      target = &subs_.back().second;
    }
    for (size_t i = first; i < end; ++i)
      target->push_back(lookup_line(block.maps[i], block_name + "_" + std::to_string(++n), places));
  }
  size_t count = block.items.size();
  maps_.emplace_back("n" + block_name, std::vector<std::string>{"type mark : counter", size_line(count),
                                                                "elements = { " + counters + " }"});
  maps_.emplace_back("d" + block_name, std::vector<std::string>{"type mark : verdict", size_line(count),
                                                                "elements = { " + dispatch + " }"});
  std::vector<std::string> decide{"counter name meta mark map @n" + block_name, "meta mark vmap @d" + block_name};
  if (block.first_hit) {
    subs_.emplace_back(places.decide, decide);
    return;
  }
  lines.insert(lines.end(), decide.begin(), decide.end());
  lines.push_back("meta mark set 0");
}

// The lines of one check. Rules of box form are planned into maps; a short
// block stays its rules' own lines.
std::vector<std::string> Emitter::check_lines(CondContext &cx, const std::vector<Entry> &entries, bool inbound) {
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
  auto blocks = options_.first_hit ? plan_blocks(plan_input) : plan_blocks(plan_input, 4096, 0, 0);
  for (const Block &block : blocks) {
    // A short run costs fewer tests as plain lines than as lookups.
    if (!block.map || block.items.size() < 4) {
      for (size_t i : block.items) {
        if (entries[i].rule)
          plain_lines(*entries[i].rule, entries[i].index, inbound, lines);
        else
          lines.push_back(entries[i].line);
      }
      continue;
    }
    map_lines(entries, block, inbound, lines);
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
  // Lists whose rules all went into maps are not needed as sets (every set
  // costs the kernel a walk of the table's sets when loading).
  std::set<std::string> referenced;
  auto refer = [&referenced](const std::vector<std::string> &lines) {
    for (const auto &l : lines)
      for (size_t at = l.find('@'); at != std::string::npos; at = l.find('@', at + 1)) {
        size_t end = l.find_first_of(" ,}", at);
        referenced.insert(l.substr(at + 1, end == std::string::npos ? end : end - at - 1));
      }
  };
  refer(in_lines);
  refer(out_lines);
  for (const auto &sub : subs_)
    refer(sub.second);
  for (const auto &name : cx.used_lists) {
    if (!referenced.count(name))
      continue;
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
  // Verdict maps jump to the verdict chains, and the checks look up the
  // maps: each is written before what uses it.
  for (const auto &[name, lines] : verdict_chains_)
    s += chain_text(name, lines, "");
  for (const auto &[name, def] : sets_) {
    s += "\tset " + name + " {\n";
    for (const auto &d : def)
      s += "\t\t" + d + "\n";
    s += "\t}\n";
  }
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
