#include "group.h"

#include "script.h"

#include <algorithm>
#include <arpa/inet.h>

namespace kxnft {

namespace {

bool dotted(const std::string &s, uint32_t &out) {
  in_addr a{};
  if (inet_pton(AF_INET, s.c_str(), &a) != 1)
    return false;
  out = ntohl(a.s_addr);
  return true;
}

std::string dotted_text(uint32_t a) {
  in_addr x{htonl(a)};
  char buf[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &x, buf, sizeof buf);
  return buf;
}

// "a.b.c.d" or "a.b.c.d/len" as a range.
bool address_span(const std::string &v, Span &out) {
  size_t slash = v.find('/');
  uint32_t a = 0;
  if (!dotted(v.substr(0, slash), a))
    return false;
  int len = 32;
  if (slash != std::string::npos) {
    std::string l = v.substr(slash + 1);
    if (l.empty() || l.size() > 2 || l.find_first_not_of("0123456789") != std::string::npos)
      return false;
    len = std::stoi(l);
    if (len > 32)
      return false;
  }
  uint32_t host = len == 32 ? 0 : 0xffffffffu >> len;
  out = Span{a & ~host, a | host};
  return true;
}

bool port_number(const std::string &s, uint16_t &out) {
  if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
    return false;
  long n = std::stol(s);
  if (n > 65535)
    return false;
  out = static_cast<uint16_t>(n);
  return true;
}

// "25", "6000-6063" or "{ 25, 23, 6000-6063 }".
bool port_spans(uint8_t proto, std::string v, std::vector<PortSpan> &out) {
  if (v.size() > 4 && v.front() == '{' && v.back() == '}')
    v = squeeze(v.substr(1, v.size() - 2));
  for (auto item : split_top(v, ",")) {
    item = squeeze(item);
    size_t dash = item.find('-');
    PortSpan p{proto, 0, 0};
    if (!port_number(item.substr(0, dash), p.lo) ||
        !port_number(dash == std::string::npos ? item.substr(0, dash) : item.substr(dash + 1), p.hi) || p.lo > p.hi)
      return false;
    out.push_back(p);
  }
  return !out.empty();
}

enum class Field { none, src, dst, svc };

// One alternative of a clause: a single match on one field.
Field read_alt(const std::string &alt, const ListLookup &lists, Spans &addrs, std::vector<PortSpan> &ports) {
  for (const char *f : {"ip saddr ", "ip daddr "}) {
    if (alt.rfind(f, 0) != 0)
      continue;
    std::string v = alt.substr(9);
    Field field = f[3] == 's' ? Field::src : Field::dst;
    if (v.empty() || v.find(' ') != std::string::npos)
      return Field::none;
    std::vector<std::string> values;
    if (v[0] == '@') {
      if (!lists(v.substr(1), values))
        return Field::none;
    } else {
      values.push_back(v);
    }
    for (const auto &e : values) {
      Span s;
      if (!address_span(e, s))
        return Field::none;
      addrs.push_back(s);
    }
    return field;
  }
  for (const auto &[prefix, proto] : {std::pair<const char *, uint8_t>{"tcp dport ", 6}, {"udp dport ", 17}})
    if (alt.rfind(prefix, 0) == 0)
      return port_spans(proto, alt.substr(10), ports) ? Field::svc : Field::none;
  return Field::none;
}

bool spans_meet(const Spans &a, const Spans &b) {
  if (a.empty() || b.empty() || a.back().hi < b.front().lo || b.back().hi < a.front().lo)
    return false;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].hi < b[j].lo)
      ++i;
    else if (b[j].hi < a[i].lo)
      ++j;
    else
      return true;
  }
  return false;
}

bool ports_meet(const std::vector<PortSpan> &a, const std::vector<PortSpan> &b) {
  for (const auto &x : a)
    for (const auto &y : b)
      if (x.proto == y.proto && x.lo <= y.hi && y.lo <= x.hi)
        return true;
  return false;
}

// The range as nft writes it: an address, a prefix or "lo-hi".
std::string span_text(const Span &s) {
  if (s.lo == s.hi)
    return dotted_text(s.lo);
  uint32_t size = s.hi - s.lo;
  if ((size & (size + 1)) == 0 && (s.lo & size) == 0) {
    int len = 32;
    while (size) {
      size >>= 1;
      --len;
    }
    return dotted_text(s.lo) + "/" + std::to_string(len);
  }
  return dotted_text(s.lo) + "-" + dotted_text(s.hi);
}

} // namespace

Spans normalized(Spans s) {
  std::sort(s.begin(), s.end(), [](const Span &a, const Span &b) { return a.lo < b.lo; });
  Spans out;
  for (const auto &x : s) {
    if (!out.empty() && (out.back().hi == 0xffffffffu || x.lo <= out.back().hi + 1))
      out.back().hi = std::max(out.back().hi, x.hi);
    else
      out.push_back(x);
  }
  return out;
}

std::vector<PortSpan> normalized(std::vector<PortSpan> s) {
  std::sort(s.begin(), s.end(), [](const PortSpan &a, const PortSpan &b) {
    return a.proto != b.proto ? a.proto < b.proto : a.lo < b.lo;
  });
  std::vector<PortSpan> out;
  for (const auto &x : s) {
    if (!out.empty() && out.back().proto == x.proto && x.lo <= uint32_t(out.back().hi) + 1)
      out.back().hi = std::max(out.back().hi, x.hi);
    else
      out.push_back(x);
  }
  return out;
}

bool box_of(const std::vector<Clause> &clauses, const ListLookup &lists, Box &out) {
  Box b;
  bool seen[4] = {};
  for (const auto &c : clauses) {
    if (c.negated || c.alts.empty())
      return false;
    Field field = Field::none;
    Spans addrs;
    std::vector<PortSpan> ports;
    for (const auto &alt : c.alts) {
      Field f = read_alt(alt, lists, addrs, ports);
      if (f == Field::none || (field != Field::none && f != field))
        return false;
      field = f;
    }
    if (seen[int(field)])
      return false;
    seen[int(field)] = true;
    if (field == Field::src)
      b.src = normalized(addrs);
    else if (field == Field::dst)
      b.dst = normalized(addrs);
    else {
      b.ports = true;
      b.svc = normalized(ports);
    }
  }
  out = b;
  return true;
}

bool overlaps(const Box &a, const Box &b) {
  if (a.ports && b.ports && !ports_meet(a.svc, b.svc))
    return false;
  return spans_meet(a.dst, b.dst) && spans_meet(a.src, b.src);
}

bool contains(const Box &b, uint32_t src, uint32_t dst, uint8_t proto, uint16_t dport) {
  auto in = [](const Spans &s, uint32_t v) {
    return std::any_of(s.begin(), s.end(), [v](const Span &x) { return x.lo <= v && v <= x.hi; });
  };
  if (!in(b.src, src) || !in(b.dst, dst))
    return false;
  if (!b.ports)
    return true;
  return std::any_of(b.svc.begin(), b.svc.end(),
                     [&](const PortSpan &p) { return p.proto == proto && p.lo <= dport && dport <= p.hi; });
}

std::vector<Block> plan_blocks(const std::vector<const Box *> &rules) {
  std::vector<Block> blocks;
  size_t segment = 0; // first block nothing may move ahead of
  for (size_t i = 0; i < rules.size(); ++i) {
    const Box *r = rules[i];
    if (!r) {
      blocks.push_back(Block{false, false, {i}});
      segment = blocks.size();
      continue;
    }
    // The last map of the same key; the rule may join it when it meets no
    // rule there or in the maps after it (it would be checked before those).
    size_t g = blocks.size();
    for (size_t b = blocks.size(); b-- > segment;)
      if (blocks[b].ports == r->ports) {
        g = b;
        break;
      }
    bool join = g < blocks.size();
    for (size_t b = g; join && b < blocks.size(); ++b)
      for (size_t j : blocks[b].items)
        if (overlaps(*rules[j], *r)) {
          join = false;
          break;
        }
    if (join)
      blocks[g].items.push_back(i);
    else
      blocks.push_back(Block{true, r->ports, {i}});
  }
  return blocks;
}

std::vector<std::string> element_keys(const Box &b) {
  std::vector<std::string> out;
  for (const auto &s : b.src)
    for (const auto &d : b.dst) {
      std::string k = span_text(s) + " . " + span_text(d);
      if (!b.ports) {
        out.push_back(k);
        continue;
      }
      for (const auto &p : b.svc)
        out.push_back(k + (p.proto == 6 ? " . tcp . " : " . udp . ") + std::to_string(p.lo) +
                      (p.lo == p.hi ? "" : "-" + std::to_string(p.hi)));
    }
  return out;
}

} // namespace kxnft
