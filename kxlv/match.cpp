#include "kxlv/match.h"

#include <string>

namespace {

// Whole-text match with the usual single-backtrack glob walk: linear in the
// product of the lengths at worst, never exponential.
bool glob(std::string_view t, std::string_view p) {
  size_t ti = 0, pi = 0, star = std::string_view::npos, mark = 0;
  while (ti < t.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = ++pi;
      mark = ti;
      continue;
    }
    if (pi < p.size()) {
      const bool quoted = p[pi] == '\\' && pi + 1 < p.size();
      const char pc = quoted ? p[pi + 1] : p[pi];
      if ((!quoted && pc == '?') || pc == t[ti]) {
        pi += quoted ? 2 : 1;
        ++ti;
        continue;
      }
    }
    if (star == std::string_view::npos) return false;
    pi = star;
    ti = ++mark;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

} // namespace

bool kxlv_pattern_contains(std::string_view text, std::string_view pattern) {
  std::string wrapped = "*";
  wrapped += pattern;
  // A trailing lone backslash quotes nothing; it stands for itself.
  size_t slashes = 0;
  while (slashes < pattern.size() && pattern[pattern.size() - 1 - slashes] == '\\') ++slashes;
  if (slashes % 2) wrapped += '\\';
  wrapped += "*";
  return glob(text, wrapped);
}
