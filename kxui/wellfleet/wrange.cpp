#include "kxui/wellfleet/wrange.h"
#include "kxu/portnum.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

uint32_t kxell_range_max(uint32_t width) {
  if (width >= 32) return UINT32_MAX;
  return (uint32_t{1} << width) - 1;
}

void kxell_ranges_merge(kxell_ranges &ranges) {
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const kxell_range &a, const kxell_range &b) { return a.low < b.low; });
  size_t keep = 0;
  for (size_t i = 0; i < ranges.size(); ++i) {
    if (keep > 0) {
      kxell_range &cur = ranges[keep - 1];
      // Touching ranges join too; 64-bit arithmetic keeps high + 1 from
      // wrapping at the top of the width.
      if (uint64_t{cur.high} + 1 >= ranges[i].low) {
        cur.high = std::max(cur.high, ranges[i].high);
        continue;
      }
    }
    ranges[keep++] = ranges[i];
  }
  ranges.resize(keep);
}

kxell_ranges ranges_inverse(const kxell_ranges &ranges, uint32_t width) {
  const uint32_t max = kxell_range_max(width);
  kxell_ranges out;
  if (ranges.empty()) {
    out.push_back({0, max, width});
    return out;
  }
  if (ranges.front().low > 0) out.push_back({0, ranges.front().low - 1, width});
  if (ranges.back().high < max) out.push_back({ranges.back().high + 1, max, width});
  for (size_t i = 1; i < ranges.size(); ++i)
    out.push_back({ranges[i - 1].high + 1, ranges[i].low - 1, width});
  return out;
}

int kxell_ranges_optimize(kxset *out, int positive, kxell_ranges ranges, uint32_t width) {
  kxell_ranges_merge(ranges);
  if (!positive) ranges = ranges_inverse(ranges, width);
  for (const kxell_range &r : ranges) out->append(KxAtom::null(), kxell_range_set(r));
  return static_cast<int>(ranges.size());
}

kxset *kxell_range_set(const kxell_range &r) {
  kxset *s = kxset::make();
  s->append("low", kxset::make(std::to_string(r.low)));
  s->append("high", kxset::make(std::to_string(r.high)));
  return s;
}

bool kxell_number(const std::string &text, uint32_t max, uint32_t &out) {
  size_t b = text.find_first_not_of(" \t");
  size_t e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  std::string t = text.substr(b, e - b + 1);
  if (!std::isdigit(static_cast<unsigned char>(t[0]))) return false;
  errno = 0;
  char *end = nullptr;
  unsigned long long v = std::strtoull(t.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v > max) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

bool kxell_range_read(const kxset *set, kxell_range &out, uint32_t default_width) {
  if (!set) return false;
  const kxset *lo = set->get(KxAtom("low"));
  const kxset *hi = set->get(KxAtom("high"));
  const kxset *w = set->get(KxAtom("width"));
  if (!lo || !hi) return false;
  uint32_t width = default_width;
  if (w && !kxell_number(w->getname(), 32, width)) return false;
  if (width == 0) return false;
  const uint32_t max = kxell_range_max(width);
  uint32_t l = 0, h = 0;
  if (!kxell_number(lo->getname(), max, l) || !kxell_number(hi->getname(), max, h) || l > h)
    return false;
  out = {l, h, width};
  return true;
}

// ">N" and "<N" are strict, as in the filter script and the access lists:
// ">1023" starts at 1024. A bound that leaves no port is no range.
bool kxell_port_range(const std::string &text, kxell_range &out) {
  std::optional<kxu::PortSpec> spec = kxu::parse_port_spec(text, "");
  if (!spec || !spec->low) return false;
  const uint32_t max = 65535, a = *spec->low;
  switch (spec->op) {
  case kxu::PortOp::eq: out = {a, a, 16}; return true;
  case kxu::PortOp::gt:
    if (a == max) return false;
    out = {a + 1, max, 16};
    return true;
  case kxu::PortOp::lt:
    if (a == 0) return false;
    out = {0, a - 1, 16};
    return true;
  case kxu::PortOp::range:
    if (!spec->high || a > *spec->high) return false;
    out = {a, *spec->high, 16};
    return true;
  default: return false;
  }
}
