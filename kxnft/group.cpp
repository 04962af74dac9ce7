#include "group.h"

#include "cond.h"
#include "script.h"

#include <algorithm>
#include <map>
#include <tuple>
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

// Every bit of the key moves every bit of the hash: masked keys differ in
// few of their bits.
struct KeyHash {
  static uint64_t mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    return x ^ (x >> 33);
  }
  size_t operator()(const Key &k) const {
    return size_t(mix((uint64_t(k.dst) << 32 | k.src) ^ mix(uint64_t(k.proto) << 32 | k.port)));
  }
};

// Keys to values in one flat table (linear probing, never removed): the
// closure of a block looks keys up millions of times.
template <class V> class KeyMap {
public:
  const V *find(const Key &k) const {
    if (slots_.empty())
      return nullptr;
    for (size_t i = slot(k);; i = (i + 1) & (slots_.size() - 1)) {
      if (!slots_[i].used)
        return nullptr;
      if (slots_[i].key == k)
        return &slots_[i].value;
    }
  }
  // The value of `k`, `value` put in when it is new (`.second` then true).
  std::pair<V *, bool> emplace(const Key &k, V value) {
    if (2 * (count_ + 1) > slots_.size())
      grow();
    size_t i = slot(k);
    for (; slots_[i].used; i = (i + 1) & (slots_.size() - 1))
      if (slots_[i].key == k)
        return {&slots_[i].value, false};
    slots_[i] = Slot{k, std::move(value), true};
    ++count_;
    return {&slots_[i].value, true};
  }

private:
  struct Slot {
    Key key;
    V value{};
    bool used = false;
  };
  size_t slot(const Key &k) const { return KeyHash{}(k) & (slots_.size() - 1); }
  void grow() {
    std::vector<Slot> old(std::max<size_t>(16, slots_.size() * 2));
    old.swap(slots_);
    count_ = 0;
    for (auto &s : old)
      if (s.used)
        emplace(s.key, std::move(s.value));
  }
  std::vector<Slot> slots_;
  size_t count_ = 0;
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

bool at_most(const Shape &a, const Shape &b) { // a's fields no longer than b's
  return a.dst <= b.dst && a.src <= b.src && (!a.ports || (b.ports && a.port <= b.port));
}

Shape meet(const Shape &a, const Shape &b) {
  bool ports = a.ports && b.ports;
  return Shape{std::min(a.dst, b.dst), std::min(a.src, b.src), ports, ports ? std::min(a.port, b.port) : 0};
}

// A key cut down to the fields of a shape no longer than its own.
Key masked(const Key &k, const Shape &to) {
  Key out{k.dst & prefix_mask(to.dst, 32), k.src & prefix_mask(to.src, 32), 0, 0};
  if (to.ports) {
    out.proto = k.proto;
    out.port = k.port & prefix_mask(to.port, 16);
  }
  return out;
}

// The packets two overlapping keys share: in each field the longer prefix.
Key joined(const Key &a, const Shape &sa, const Key &b, const Shape &sb) {
  Key out;
  out.dst = sa.dst >= sb.dst ? a.dst : b.dst;
  out.src = sa.src >= sb.src ? a.src : b.src;
  const Key &svc = !sb.ports || (sa.ports && sa.port >= sb.port) ? a : b;
  out.proto = svc.proto;
  out.port = svc.port;
  return out;
}

Shape joined(const Shape &a, const Shape &b) {
  return Shape{std::max(a.dst, b.dst), std::max(a.src, b.src), a.ports || b.ports, std::max(a.port, b.port)};
}

// Builds one block's maps from the boxes of its rules, in order, in two
// forms. The rules' own keys: a packet's rule is the lowest place of all
// the keys it finds. And, while they stay few, the keys closed under
// intersection: where two keys of shapes that neither holds the other
// overlap, their common part is a key too, valued at the lowest place of
// the keys that hold it. Then, looking up the shapes from the longest
// prefixes down, the first key a packet finds is the intersection of all
// the keys that hold it, and its place is the first rule's that matches.
class MapBuilder {
public:
  // The closed keys are given up when they grow past `factor` times the
  // rules' own keys and `slack`.
  MapBuilder(size_t slack, size_t factor) : slack_(slack), factor_(factor) {}

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
          Key key{d.value, s.value, proto, p.value};
          auto &[elements, seen] = own_[shape];
          if (seen.emplace(key, place).second) { // else an earlier rule keeps its key
            elements.emplace_back(key, place);
            order_.emplace_back(shape, key, place);
          }
        }
    box_ends_.push_back(order_.size());
    return true;
  }
  // The block's maps, in the order of its lookups.
  void take(Block &b) {
    b.first_hit = !surely_tangled() && close();
    if (b.first_hit)
      b.maps = take_closed();
    else
      for (auto it = own_.rbegin(); it != own_.rend(); ++it)
        b.maps.push_back(HashMap{it->first, std::move(it->second.first)});
    own_.clear();
    order_.clear();
    box_ends_.clear();
    maps_.clear();
    closed_count_ = 0;
  }

private:
  // The closed keys, the longest prefixes first, without the keys that
  // decide as the first key after them that holds them would: decided from
  // the shortest prefixes up, so that each key is weighed against what is
  // left of the keys that hold it.
  std::vector<HashMap> take_closed() {
    std::map<Shape, KeyMap<size_t>> kept;
    for (auto &[shape, m] : maps_) {
      auto &mine = kept[shape];
      for (const auto &[key, v] : m.elements) {
        const size_t *after = nullptr;
        for (auto it = kept.rbegin(); it != kept.rend() && !after; ++it)
          if (it->first != shape && at_most(it->first, shape)) {
            after = it->second.find(masked(key, it->first));
          }
        if (!after || *after != v)
          mine.emplace(key, v);
      }
    }
    std::vector<HashMap> out;
    for (auto it = maps_.rbegin(); it != maps_.rend(); ++it) {
      HashMap h{it->first, {}};
      const auto &mine = kept[it->first];
      for (const auto &e : it->second.elements)
        if (mine.find(e.first))
          h.elements.push_back(e);
      if (!h.elements.empty())
        out.push_back(std::move(h));
    }
    maps_.clear();
    return out;
  }

  // A shape's keys by their part in a shorter shape.
  using Groups = KeyMap<std::vector<Key>>;
  struct ShapeMap {
    std::vector<std::pair<Key, size_t>> elements;
    KeyMap<size_t> places;
    std::map<Shape, Groups> groups; // by the shorter shape, made when first needed
  };
  using Added = std::vector<std::tuple<Shape, Key, size_t>>;

  const size_t *find(const ShapeMap &m, const Key &key) const {
    return m.places.find(key);
  }
  const size_t *find(const Shape &shape, const Key &key) const {
    auto m = maps_.find(shape);
    return m == maps_.end() ? nullptr : find(m->second, key);
  }
  // The lowest place of the keys that hold `key`, and `place`.
  size_t value(const Shape &shape, const Key &key, size_t place) const {
    for (const auto &[s, m] : maps_)
      if (at_most(s, shape))
        if (const size_t *v = find(m, masked(key, s)))
          place = std::min(place, *v);
    return place;
  }
  // The new keys that `key` shares with keys of shapes neither of which
  // holds the other (`seen`: those of the box so far, by shape).
  void intersections(const Shape &shape, const Key &key, size_t place, Added &added,
                     std::map<Shape, KeyMap<bool>> &seen) {
    for (auto &[s, m] : maps_) {
      if (at_most(s, shape) || at_most(shape, s))
        continue;
      Shape common = meet(s, shape);
      const Groups &g = groups(m, common);
      const std::vector<Key> *overlapping = g.find(masked(key, common));
      if (!overlapping)
        continue;
      Shape j = joined(shape, s);
      for (const Key &other : *overlapping) {
        Key k = joined(key, shape, other, s);
        if (!find(j, k) && seen[j].emplace(k, true).second)
          added.emplace_back(j, k, value(j, k, place));
      }
    }
  }
  Groups &groups(ShapeMap &m, const Shape &by) {
    auto [it, fresh] = m.groups.try_emplace(by);
    if (fresh)
      for (const auto &e : m.elements)
        it->second.emplace(masked(e.first, by), {}).first->push_back(e.first);
    return it->second;
  }
  void insert(const Shape &shape, const Key &key, size_t v) {
    auto &m = maps_[shape];
    if (!m.places.emplace(key, v).second)
      return;
    m.elements.emplace_back(key, v);
    ++closed_count_;
    for (auto &[by, g] : m.groups)
      g.emplace(masked(key, by), {}).first->push_back(key);
  }

  size_t budget(size_t own) const { return factor_ * own + slack_; }

  // Closes the rules' own keys box by box; false as soon as they grow past
  // the budget of the keys so far. The keys of one box never overlap (its
  // prefixes in each field are disjoint), so each is closed against the
  // block as it was before the box.
  bool close() {
    size_t begin = 0;
    for (size_t end : box_ends_) {
      Added added;
      std::map<Shape, KeyMap<bool>> pending;
      for (size_t i = begin; i < end; ++i) {
        const auto &[shape, key, place] = order_[i];
        if (!find(shape, key)) { // else its intersections are there too
          added.emplace_back(shape, key, value(shape, key, place));
          intersections(shape, key, place, added, pending);
        }
      }
      if (closed_count_ + added.size() > budget(end)) {
        return false; // too tangled: the block keeps its rules' own keys
      }
      for (const auto &[shape, key, v] : added)
        insert(shape, key, v);
      begin = end;
    }
    return true;
  }

  bool surely_tangled() const;

  size_t slack_, factor_;
  std::map<Shape, std::pair<std::vector<std::pair<Key, size_t>>, KeyMap<size_t>>> own_;
  std::vector<std::tuple<Shape, Key, size_t>> order_; // the rules' own keys, in order
  std::vector<size_t> box_ends_;                      // the end of each box's keys in order_
  std::map<Shape, ShapeMap> maps_; // the closed keys
  size_t closed_count_ = 0;
};

// A lower bound of the keys closed from `own` (the rules' own keys by
// shape): in each shape at least its own keys; and where two shapes have no
// field in common, every key of one overlaps every key of the other, so
// the shape that joins them holds all their common parts (distinct, as each
// gives back the two keys it came from).
size_t closed_at_least(const std::map<Shape, size_t> &own) {
  std::map<Shape, size_t> least(own);
  for (auto a = own.begin(); a != own.end(); ++a)
    for (auto b = std::next(a); b != own.end(); ++b) {
      if (at_most(a->first, b->first) || at_most(b->first, a->first) || meet(a->first, b->first) != Shape{})
        continue;
      size_t &l = least[joined(a->first, b->first)];
      l = std::max(l, a->second * b->second);
    }
  size_t total = 0;
  for (const auto &[shape, n] : least)
    total += n;
  return total;
}

// Whether the closed keys surely grow past the budget: at the end of some
// box, a lower bound of them already does. Weighed each time the keys have
// grown by an eighth, and at the end.
bool MapBuilder::surely_tangled() const {
  std::map<Shape, size_t> own;
  size_t next = 0, weighed = 0;
  for (size_t box = 0; box < box_ends_.size(); ++box) {
    size_t end = box_ends_[box];
    for (; next < end; ++next)
      ++own[std::get<0>(order_[next])];
    if (box + 1 < box_ends_.size() && end <= weighed + weighed / 8)
      continue;
    weighed = end;
    if (closed_at_least(own) > budget(end))
      return true;
  }
  return false;
}

} // namespace

std::vector<Block> plan_blocks(const std::vector<const Box *> &rules, size_t max_elements, size_t common_slack,
                               size_t common_factor) {
  std::vector<Block> blocks;
  Block current{true, {}, {}};
  MapBuilder builder(common_slack, common_factor);
  auto close = [&] {
    if (!current.items.empty()) {
      builder.take(current);
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
    Key k = masked(Key{dst, src, svc >> 16, svc & 0xffff}, m.shape);
    for (const auto &[key, place] : m.elements)
      if (key == k) {
        if (b.first_hit)
          return place;
        best = std::min(best, place);
      }
  }
  return best;
}

} // namespace kxnft
