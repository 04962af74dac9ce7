#include "kxd_tables.h"

#include "kxsys/conn.h"

#include <sstream>

namespace kxd {

using namespace kxsys;

std::vector<kxtab_t> parse_tables(const std::string &ft) {
  std::vector<kxtab_t> out;
  std::istringstream in(ft);
  std::string line;
  int32_t id = 0;
  while (std::getline(in, line) && out.size() < 4096) {
    std::istringstream words(line);
    std::string name, kind, value;
    if (!(words >> name >> kind) || name[0] == '#')
      continue;
    kxtab_t t;
    set_fixed(t.name, name);
    set_fixed(t.format, kind);
    t.kind = 1;
    t.id = ++id;
    t.width = 1;
    while (words >> value) {
      uint32_t a = 0;
      if (value[0] >= '0' && value[0] <= '9' && kx_resolve(value, a))
        t.entries.push_back(int32_t(a));
    }
    t.nentries = int32_t(t.entries.size());
    out.push_back(std::move(t));
  }
  return out;
}

std::string domain_lines(const std::string &fc) {
  std::istringstream in(fc);
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind("domain ", 0) == 0)
      out += line + "\n";
  return out;
}

} // namespace kxd
