#include "kxui/status/snmp_answer.h"

bool kx_parse_oid(const std::string &text, std::vector<uint32_t> &out) {
  out.clear();
  size_t i = 0;
  if (i < text.size() && text[i] == '.') ++i;
  if (i >= text.size()) return false;
  while (i < text.size()) {
    uint64_t n = 0;
    size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      n = n * 10 + static_cast<uint64_t>(text[i] - '0');
      if (n > 0xffffffffULL) return false;
      ++i;
    }
    if (i == start || out.size() >= 128) return false;
    out.push_back(static_cast<uint32_t>(n));
    if (i < text.size()) {
      if (text[i] != '.' || i + 1 == text.size()) return false;
      ++i;
    }
  }
  return out.size() >= 2;
}

std::string kx_oid_text(const uint32_t *parts, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += '.';
    s += std::to_string(parts[i]);
  }
  return s;
}

bool kx_oid_below(const std::string &oid, const std::string &prefix) {
  return oid.size() > prefix.size() + 1 && oid.compare(0, prefix.size(), prefix) == 0 &&
         oid[prefix.size()] == '.';
}
