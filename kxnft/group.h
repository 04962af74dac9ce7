// Grouping rules into hash maps. A rule whose conditions are a product of
// source addresses, destination addresses and (optionally) tcp/udp
// destination ports is a "box". Between two rules of other forms, boxes
// form a block. Each box is cut into aligned blocks of each field (address
// prefixes, port prefixes); its elements go into hash maps keyed on the
// masked fields, one map per shape (prefix lengths of destination, source
// and port), so that a packet meets at most one exact lookup per shape
// whatever the number of rules. Every key names the place in its block of
// the first rule that holds it; of all the keys a packet finds, the lowest
// place decides (the first match). Where that takes few more keys, a block
// is "first hit" instead: where keys of two shapes overlap, their common
// part is a key of its own, the maps are looked up from the longest
// prefixes down and the first key found decides (it is the common part of
// all the keys that hold the packet, so its place is the first match).
// Packets whose ports cannot be read (a transport header cut short) find
// nothing in maps keyed on ports, so only rules without ports meet them.
#pragma once

#include "compile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kxnft {

// Inclusive ranges, sorted, disjoint and not adjacent.
struct Span {
  uint32_t lo = 0, hi = 0;
  bool operator==(const Span &) const = default;
};
using Spans = std::vector<Span>;

// A service point: protocol << 16 | destination port.
constexpr uint32_t service_point(uint32_t proto, uint32_t port) { return proto << 16 | port; }
constexpr uint32_t kAllServices = service_point(255, 65535);

struct Box {
  bool ports = false; // tests protocol and port; else svc is every service
  Spans src{{0, 0xffffffffu}}, dst{{0, 0xffffffffu}}, svc{{0, kAllServices}};
};

// The elements of a list as nft writes them in a set ("a.b.c.d", "a.b.c.d/len").
using ListLookup = std::function<bool(const std::string &list, std::vector<std::string> &elements)>;

// The clauses of a rule as a box; false when they are not of that form
// (negations, source ports, other protocols, several clauses on one field).
bool box_of(const std::vector<Clause> &clauses, const ListLookup &lists, Box &out);

Spans normalized(Spans s);
bool contains(const Box &b, uint32_t src, uint32_t dst, uint32_t svc);

// The leading `len` bits of `value` (the rest zero): an aligned block.
struct Prefix {
  uint32_t value = 0;
  int len = 0;
  bool operator==(const Prefix &) const = default;
};
// The fewest aligned blocks that make up `s`, over values of `bits` bits.
std::vector<Prefix> prefixes(const Spans &s, int bits);
constexpr uint32_t prefix_mask(int len, int bits) {
  return len == 0 ? 0 : static_cast<uint32_t>((0xffffffffull << (bits - len)) & ((1ull << bits) - 1));
}

// The fields a map's key holds, as leading bits kept (0: not in the key).
// A key on ports holds the protocol and at least one bit of the port, so
// that packets without ports never match it.
struct Shape {
  int dst = 0, src = 0;
  bool ports = false;
  int port = 0;
  auto operator<=>(const Shape &) const = default;
};

struct Key {
  uint32_t dst = 0, src = 0, proto = 0, port = 0;
  bool operator==(const Key &) const = default;
};

struct HashMap {
  Shape shape;
  std::vector<std::pair<Key, size_t>> elements; // key, place of the rule in its block
};

// One step of a chain after grouping: a rule kept as it is (`items` holds
// its index), or the hash maps of the rules of `items`.
struct Block {
  bool map = false;
  std::vector<size_t> items;
  std::vector<HashMap> maps; // in the order of the lookups
  bool first_hit = false;    // the first key found decides; else the lowest place
};

// Places rules (nullptr: not a box; it stays where it is and nothing moves
// across it) into blocks, in the order a chain checks them. A box that
// would take more than `max_elements` elements stays a rule of its own. A
// block is first hit unless its keys with their common parts grow past
// `common_factor` times its rules' own keys and `common_slack`.
std::vector<Block> plan_blocks(const std::vector<const Box *> &rules, size_t max_elements = 4096,
                               size_t common_slack = 4096, size_t common_factor = 4);

// The place in the block of the rule that decides a packet, as the maps'
// lookups in order find it; items.size() when no key holds it.
size_t lookup(const Block &b, uint32_t src, uint32_t dst, uint32_t svc, bool ports);

} // namespace kxnft
