#include "group.h"

#include "cond.h"
#include "script.h"

#include <algorithm>
#include <map>
#include <unordered_map>
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

bool contains(const Box &b, uint32_t src, uint32_t dst, uint32_t svc) {
  auto in = [](const Spans &s, uint32_t v) {
    return std::any_of(s.begin(), s.end(), [v](const Span &x) { return x.lo <= v && v <= x.hi; });
  };
  return in(b.src, src) && in(b.dst, dst) && in(b.svc, svc);
}

std::vector<Prefix> prefixes(const Spans &spans, int bits) {
  std::vector<Prefix> out;
  for (const Span &s : spans) {
    uint64_t lo = s.lo, hi = s.hi;
    while (lo <= hi) {
      // The largest aligned block that starts at lo and ends by hi.
      int size_bits = 0;
      while (size_bits < bits && (lo & ((2ull << size_bits) - 1)) == 0 && lo + (2ull << size_bits) - 1 <= hi)
        ++size_bits;
      out.push_back(Prefix{static_cast<uint32_t>(lo), bits - size_bits});
      lo += 1ull << size_bits;
    }
  }
  return out;
}

namespace {

struct KeyHash {
  size_t operator()(const Key &k) const {
    uint64_t a = (uint64_t(k.dst) << 32 | k.src) * 0x9e3779b97f4a7c15ull;
    uint64_t b = (uint64_t(k.proto) << 32 | k.port) * 0xc2b2ae3d27d4eb4full;
    return size_t(a ^ (b >> 17) ^ (a >> 29));
  }
};

// A box's service points as protocol and port blocks; a whole protocol
// becomes its two halves, so that the key still reads the port.
std::vector<std::pair<uint32_t, Prefix>> service_blocks(const Spans &svc) {
  std::vector<std::pair<uint32_t, Prefix>> out;
  for (const Span &s : svc)
    for (uint32_t proto = s.lo >> 16; proto <= s.hi >> 16; ++proto) {
      uint32_t lo = proto == s.lo >> 16 ? s.lo & 0xffff : 0, hi = proto == s.hi >> 16 ? s.hi & 0xffff : 0xffff;
      for (Prefix p : prefixes({{lo, hi}}, 16)) {
        if (p.len == 0) {
          out.push_back({proto, Prefix{0, 1}});
          p = Prefix{0x8000, 1};
        }
        out.push_back({proto, p});
      }
    }
  return out;
}

// Builds one block's maps from the boxes of its rules, in order.
class MapBuilder {
public:
  // False (nothing added) when the box takes more than `limit` elements.
  bool add(const Box &b, size_t place, size_t limit) {
    auto dst = prefixes(b.dst, 32), src = prefixes(b.src, 32);
    std::vector<std::pair<uint32_t, Prefix>> svc{{0, Prefix{}}};
    if (b.ports)
      svc = service_blocks(b.svc);
    if (dst.size() * src.size() * svc.size() > limit)
      return false;
    for (const Prefix &d : dst)
      for (const Prefix &s : src)
        for (const auto &[proto, p] : svc) {
          Shape shape{d.len, s.len, b.ports, b.ports ? p.len : 0};
          insert(shape, Key{d.value, s.value, proto, p.value}, place);
        }
    return true;
  }
  std::vector<HashMap> take() {
    std::vector<HashMap> out;
    for (auto &[shape, m] : maps_)
      out.push_back(HashMap{shape, std::move(m.first)});
    maps_.clear();
    return out;
  }

private:
  void insert(const Shape &shape, const Key &key, size_t place) {
    auto &[elements, seen] = maps_[shape];
    if (seen.emplace(key, place).second) // an earlier rule keeps its key
      elements.emplace_back(key, place);
  }
  std::map<Shape, std::pair<std::vector<std::pair<Key, size_t>>, std::unordered_map<Key, size_t, KeyHash>>> maps_;
};

} // namespace

std::vector<Block> plan_blocks(const std::vector<const Box *> &rules, size_t max_elements) {
  std::vector<Block> blocks;
  Block current{true, {}, {}};
  MapBuilder builder;
  auto close = [&] {
    if (!current.items.empty()) {
      current.maps = builder.take();
      blocks.push_back(std::move(current));
    }
    current = Block{true, {}, {}};
  };
  for (size_t i = 0; i < rules.size(); ++i) {
    const Box *r = rules[i];
    if (r && builder.add(*r, current.items.size(), max_elements)) {
      current.items.push_back(i);
      continue;
    }
    close();
    blocks.push_back(Block{false, {i}, {}});
  }
  close();
  return blocks;
}

size_t lookup(const Block &b, uint32_t src, uint32_t dst, uint32_t svc, bool ports) {
  size_t best = b.items.size();
  for (const HashMap &m : b.maps) {
    if (m.shape.ports && !ports)
      continue; // the key's port cannot be read
    Key k{dst & prefix_mask(m.shape.dst, 32), src & prefix_mask(m.shape.src, 32), 0, 0};
    if (m.shape.ports) {
      k.proto = svc >> 16;
      k.port = svc & prefix_mask(m.shape.port, 16);
    }
    for (const auto &[key, place] : m.elements)
      if (key == k)
        best = std::min(best, place);
  }
  return best;
}

} // namespace kxnft
