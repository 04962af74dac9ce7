#include "kxu/filename.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> &extensions() {
  static std::vector<std::string> known = {"pf", "W",   "C",   "ifs", "lg",      "ft", "fc",
                                           "al", "wl",  "cpp", "set", "objects", "db", ""};
  return known;
}

} // namespace

std::string kx_filepart(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string kx_basename(const char *path) {
  std::string base = kx_filepart(path ? path : "");
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && isextension(base.c_str() + dot + 1))
    base.erase(dot);
  return base;
}

std::string kx_dirname(const char *path) {
  std::string dir = path ? path : "";
  size_t slash = dir.rfind('/');
  return slash == std::string::npos ? "." : dir.substr(0, slash + 1);
}

bool isextension(const char *ext) {
  const auto &known = extensions();
  return ext && std::find(known.begin(), known.end(), ext) != known.end();
}

void addextension(const char *ext) {
  if (ext && !isextension(ext))
    extensions().emplace_back(ext);
}

unsigned long atox(const char *text) {
  unsigned long n = 0;
  if (text && std::sscanf(text, "%lx", &n) != 1)
    n = 0;
  return n;
}

std::string xtoa(unsigned long n) {
  char buf[2 * sizeof n + 1];
  std::snprintf(buf, sizeof buf, "%lx", n);
  return buf;
}
