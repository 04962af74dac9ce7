// Numeric ranges of the router filter: every field of a filter rule accepts
// a list of inclusive ranges of a given width (32 bits for addresses, 16 for
// ports, 8 for protocol numbers).
#pragma once

#include "kxset/kxset.h"

#include <cstdint>
#include <string>
#include <vector>

struct kxell_range {
  uint32_t low = 0;
  uint32_t high = 0;
  uint32_t width = 32;

  friend bool operator==(const kxell_range &, const kxell_range &) = default;
};

using kxell_ranges = std::vector<kxell_range>;

// The largest value of a width: 2^w - 1 (all 32 bits for w >= 32).
uint32_t kxell_range_max(uint32_t width);

// Sorts by low and joins overlapping and touching ranges.
void kxell_ranges_merge(kxell_ranges &ranges);

// The complement within 0 .. 2^w - 1 of a merged list: the gap below the
// first range, the gap above the last one, then the gaps between neighbours
// in order. An empty list complements to the whole width.
kxell_ranges ranges_inverse(const kxell_ranges &ranges, uint32_t width);

// Merges the ranges (complementing them when `positive` is zero) and
// appends one range set object ("low", "high") per range to `out`. Returns
// the number of ranges appended.
int kxell_ranges_optimize(kxset *out, int positive, kxell_ranges ranges, uint32_t width);

// A range set object: an unnamed set with "low" and "high" as decimal text.
kxset *kxell_range_set(const kxell_range &r);
// Reads "low", "high" and, when present, "width" back from a set; false when
// "low" or "high" is missing or not a number.
bool kxell_range_read(const kxset *set, kxell_range &out, uint32_t default_width);

// Destination ports of a tcp or udp "port" text, read by kxu::parse_port_spec
// (decimal 0-65535, as the filter script and the access lists read them):
// ">" N gives N+1 .. 65535, "<" N gives 0 .. N-1, "A-B" A .. B, "A" A .. A.
// False for an empty or badly formed text and for a bound that leaves no port.
bool kxell_port_range(const std::string &text, kxell_range &out);

// Parses an unsigned number with a base prefix (0x hex, leading 0 octal),
// surrounding blanks allowed; false when the text holds anything else or the
// value does not fit `max`.
bool kxell_number(const std::string &text, uint32_t max, uint32_t &out);
