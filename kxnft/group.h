// Grouping rules into verdict maps. A rule whose conditions are a product of
// source addresses, destination addresses and (optionally) tcp/udp
// destination ports is a "box"; runs of such rules go into one map keyed on
// the concatenation of those fields, so that a packet costs one lookup per
// map instead of one test per rule. First match still decides: two rules
// share a map only when no packet matches both, and a rule moves ahead of
// earlier rules only when no packet matches it and any of them.
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

struct PortSpan {
  uint8_t proto = 0; // 6 tcp, 17 udp
  uint16_t lo = 0, hi = 0;
  bool operator==(const PortSpan &) const = default;
};

struct Box {
  bool ports = false; // key with protocol and destination port
  Spans src{{0, 0xffffffffu}}, dst{{0, 0xffffffffu}};
  std::vector<PortSpan> svc; // when ports: sorted by protocol, then port
};

// The elements of a list as nft writes them in a set ("a.b.c.d", "a.b.c.d/len").
using ListLookup = std::function<bool(const std::string &list, std::vector<std::string> &elements)>;

// The clauses of a rule as a box; false when they are not of that form
// (negations, source ports, other protocols, several clauses on one field).
bool box_of(const std::vector<Clause> &clauses, const ListLookup &lists, Box &out);

bool overlaps(const Box &a, const Box &b);
bool contains(const Box &b, uint32_t src, uint32_t dst, uint8_t proto, uint16_t dport);

// Merges ranges into sorted, disjoint, non-adjacent ones.
Spans normalized(Spans s);
std::vector<PortSpan> normalized(std::vector<PortSpan> s);

// One step of a chain after grouping: a rule kept as it is (`items` holds
// its index), or a map holding the rules of `items`.
struct Block {
  bool map = false;
  bool ports = false;
  std::vector<size_t> items;
};

// Places rules (nullptr: not a box, it stays where it is and nothing moves
// across it) into blocks, in the order a chain checks them.
std::vector<Block> plan_blocks(const std::vector<const Box *> &rules);

// Element keys of a box: "src . dst" or "src . dst . proto . port".
std::vector<std::string> element_keys(const Box &b);

} // namespace kxnft
