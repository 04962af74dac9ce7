// Grouping rules into verdict maps. A rule whose conditions are a product of
// source addresses, destination addresses and (optionally) tcp/udp
// destination ports is a "box". Between two rules of other forms, boxes
// go into maps keyed on source . destination . protocol . port, each rule
// holding what it decides: its box less the boxes of the rules before it in
// its map (so no packet finds two elements, and the first match decides);
// a rule that would be cut into too many pieces starts the next map.
// Packets whose ports cannot be read (a transport header cut short) match
// no rule on ports; for them a second map keyed on the addresses holds the
// rules without ports, each less those before it.
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
bool overlaps(const Box &a, const Box &b);
bool contains(const Box &b, uint32_t src, uint32_t dst, uint32_t svc);

// One step of a chain after grouping: a rule kept as it is (`items` holds
// its index), or a map of the rules of `items` with, for each, what it
// decides among packets with ports (`ported`) and without (`portless`).
struct Block {
  bool map = false;
  std::vector<size_t> items;
  std::vector<std::vector<Box>> ported, portless;
};

// Places rules (nullptr: not a box; it stays where it is and nothing moves
// across it) into blocks, in the order a chain checks them.
std::vector<Block> plan_blocks(const std::vector<const Box *> &rules);

// Element keys of a piece: "src . dst . proto . port", or "src . dst"
// without ports.
std::vector<std::string> element_keys(const Box &b, bool with_ports);

} // namespace kxnft
