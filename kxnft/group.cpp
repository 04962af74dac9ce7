#include "group.h"

#include "cond.h"
#include "script.h"

#include <algorithm>
#include <optional>
#include <arpa/inet.h>

namespace kxnft {

namespace {

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

// "25", "6000-6063" or "{ 25, 23, 6000-6063 }" as service points.
bool port_spans(uint32_t proto, std::string v, Spans &out) {
  if (v.size() > 4 && v.front() == '{' && v.back() == '}')
    v = squeeze(v.substr(1, v.size() - 2));
  for (auto item : split_top(v, ",")) {
    item = squeeze(item);
    size_t dash = item.find('-');
    uint16_t lo = 0, hi = 0;
    if (!port_number(item.substr(0, dash), lo) ||
        !port_number(dash == std::string::npos ? item.substr(0, dash) : item.substr(dash + 1), hi) || lo > hi)
      return false;
    out.push_back(Span{service_point(proto, lo), service_point(proto, hi)});
  }
  return !out.empty();
}

enum class Field { none, src, dst, svc };

// One alternative of a clause: a single match on one field.
Field read_alt(const std::string &alt, const ListLookup &lists, Spans &addrs, Spans &ports) {
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
  for (const auto &[prefix, proto] : {std::pair<const char *, uint32_t>{"tcp dport ", 6}, {"udp dport ", 17}})
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

bool box_of(const std::vector<Clause> &clauses, const ListLookup &lists, Box &out) {
  Box b;
  bool seen[4] = {};
  for (const auto &c : clauses) {
    if (c.negated || c.alts.empty())
      return false;
    Field field = Field::none;
    Spans addrs, ports;
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

namespace {

Spans intersection(const Spans &a, const Spans &b) {
  Spans out;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    uint32_t lo = std::max(a[i].lo, b[j].lo), hi = std::min(a[i].hi, b[j].hi);
    if (lo <= hi)
      out.push_back(Span{lo, hi});
    if (a[i].hi < b[j].hi)
      ++i;
    else
      ++j;
  }
  return out;
}

Spans difference(const Spans &a, const Spans &b) {
  Spans out;
  size_t j = 0;
  for (Span x : a) {
    while (j < b.size() && b[j].hi < x.lo)
      ++j;
    bool whole = true;
    for (size_t k = j; k < b.size() && b[k].lo <= x.hi; ++k) {
      if (b[k].lo > x.lo)
        out.push_back(Span{x.lo, b[k].lo - 1});
      if (b[k].hi >= x.hi) {
        whole = false;
        break;
      }
      x.lo = b[k].hi + 1;
    }
    if (whole)
      out.push_back(x);
  }
  return out;
}

// r less e, as disjoint boxes appended to `out`.
void subtract(const Box &r, const Box &e, std::vector<Box> &out) {
  if (!overlaps(r, e)) {
    out.push_back(r);
    return;
  }
  Box piece = r;
  piece.src = difference(r.src, e.src);
  if (!piece.src.empty())
    out.push_back(piece);
  piece.src = intersection(r.src, e.src);
  piece.dst = difference(r.dst, e.dst);
  if (!piece.dst.empty())
    out.push_back(piece);
  piece.dst = intersection(r.dst, e.dst);
  piece.svc = difference(r.svc, e.svc);
  if (!piece.svc.empty())
    out.push_back(piece);
}

size_t element_count(const std::vector<Box> &pieces) {
  size_t n = 0;
  for (const auto &p : pieces)
    n += p.src.size() * p.dst.size() * p.svc.size();
  return n;
}

// What `r` decides when the rules `before` are checked first; nothing when
// that takes more than `limit` elements.
std::optional<std::vector<Box>> decided(const Box &r, const std::vector<const Box *> &before, size_t limit) {
  std::vector<Box> pieces{r}, next;
  for (const Box *e : before) {
    if (!overlaps(r, *e))
      continue;
    next.clear();
    for (const auto &p : pieces)
      subtract(p, *e, next);
    pieces.swap(next);
    if (element_count(pieces) > limit)
      return std::nullopt;
  }
  return pieces;
}

std::string proto_text(uint32_t p) { return p == 6 ? "tcp" : p == 17 ? "udp" : std::to_string(p); }

std::string range_text(uint32_t lo, uint32_t hi, std::string (*text)(uint32_t)) {
  return lo == hi ? text(lo) : text(lo) + "-" + text(hi);
}

std::string port_text(uint32_t p) { return std::to_string(p); }

// A range of service points as "proto . port" keys: a protocol's part of
// its ports, whole protocols, the next protocol's part.
std::vector<std::string> service_keys(const Span &s) {
  uint32_t plo = s.lo >> 16, qlo = s.lo & 0xffff, phi = s.hi >> 16, qhi = s.hi & 0xffff;
  if (plo == phi)
    return {range_text(plo, plo, proto_text) + " . " + range_text(qlo, qhi, port_text)};
  std::vector<std::string> out;
  if (qlo != 0)
    out.push_back(proto_text(plo++) + " . " + range_text(qlo, 65535, port_text));
  bool last_whole = qhi == 65535;
  uint32_t mid_hi = last_whole ? phi : phi - 1;
  if (plo <= mid_hi)
    out.push_back(range_text(plo, mid_hi, proto_text) + " . 0-65535");
  if (!last_whole)
    out.push_back(proto_text(phi) + " . " + range_text(0, qhi, port_text));
  return out;
}

} // namespace

bool overlaps(const Box &a, const Box &b) {
  return spans_meet(a.svc, b.svc) && spans_meet(a.dst, b.dst) && spans_meet(a.src, b.src);
}

bool contains(const Box &b, uint32_t src, uint32_t dst, uint32_t svc) {
  auto in = [](const Spans &s, uint32_t v) {
    return std::any_of(s.begin(), s.end(), [v](const Span &x) { return x.lo <= v && v <= x.hi; });
  };
  return in(b.src, src) && in(b.dst, dst) && in(b.svc, svc);
}

std::vector<Block> plan_blocks(const std::vector<const Box *> &rules) {
  std::vector<Block> blocks;
  Block current{true, {}, {}, {}};
  std::vector<const Box *> before, before_portless; // the rules of `current`
  auto close = [&] {
    if (!current.items.empty())
      blocks.push_back(std::move(current));
    current = Block{true, {}, {}, {}};
    before.clear();
    before_portless.clear();
  };
  for (size_t i = 0; i < rules.size(); ++i) {
    const Box *r = rules[i];
    if (!r) {
      close();
      blocks.push_back(Block{false, {i}, {}, {}});
      continue;
    }
    // A rule that the rules before it would cut into too many pieces starts
    // a map of its own, checked after theirs.
    size_t own = r->src.size() * r->dst.size() * r->svc.size();
    size_t limit = 8 * own + 256;
    auto ported = decided(*r, before, limit);
    std::optional<std::vector<Box>> portless = std::vector<Box>{};
    if (ported && !r->ports)
      portless = decided(*r, before_portless, limit);
    if (!ported || !portless) {
      close();
      ported = std::vector<Box>{*r};
      portless = r->ports ? std::vector<Box>{} : std::vector<Box>{*r};
    }
    current.items.push_back(i);
    current.ported.push_back(std::move(*ported));
    current.portless.push_back(std::move(*portless));
    before.push_back(r);
    if (!r->ports)
      before_portless.push_back(r);
  }
  close();
  return blocks;
}

std::vector<std::string> element_keys(const Box &b, bool with_ports) {
  std::vector<std::string> out;
  for (const auto &s : b.src)
    for (const auto &d : b.dst) {
      std::string k = span_text(s) + " . " + span_text(d);
      if (!with_ports) {
        out.push_back(k);
        continue;
      }
      for (const auto &v : b.svc)
        for (const auto &key : service_keys(v))
          out.push_back(k + " . " + key);
    }
  return out;
}

} // namespace kxnft
