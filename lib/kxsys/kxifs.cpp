#include "kxsys/kxstate.h"

#include <sstream>

namespace kxsys {

std::optional<kx_ifs> kx_parse_ifs(const std::string &text) {
  kx_ifs ifs;
  bool first = true;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 511)
      line.resize(511);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty())
      continue;
    if (first)
      ifs.name = line;
    else
      ifs.targets.push_back(line);
    first = false;
  }
  if (first)
    return std::nullopt;
  return ifs;
}

std::string kx_ifs_text(const kx_ifs &ifs) {
  std::string out = ifs.name + "\n";
  for (const auto &t : ifs.targets)
    out += t + "\n";
  return out;
}

} // namespace kxsys
