#include "kxui/analysis/load.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/objfile/objects.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kxan {

std::optional<rule_list> read_rulebase(const std::string &path, std::string *err) {
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    *err = "cannot open '" + path + "': " + std::strerror(errno);
    return std::nullopt;
  }
  const char *base = std::strrchr(path.c_str(), '/');
  std::optional<rule_list> rules = rule_read(base ? base + 1 : path.c_str(), f);
  std::fclose(f);
  if (!rules) *err = "cannot read the rule base '" + path + "'";
  return rules;
}

std::optional<Target> choose_target(const rule_array &rules, const std::string &name, std::string *err) {
  std::vector<Target> all = install_targets(rules);
  if (name.empty()) {
    if (all.size() == 1) return all.front();
    if (all.empty()) {
      *err = "no rule is installed on any target";
      return std::nullopt;
    }
    *err = "the rules are installed on several targets (";
    for (size_t i = 0; i < all.size(); ++i) *err += (i ? ", " : "") + all[i].name;
    *err += "): give --target";
    return std::nullopt;
  }
  for (const Target &t : all)
    if (kxrb::ieq(t.name, name)) return t;
  bool known = false;
  kxrb::each_member(kx_netobj, [&](kxset *m) { known = known || kxrb::ieq(m->getname(), name); });
  *err = known ? "no rule installs on '" + name + "'" : "unknown target '" + name + "'";
  return std::nullopt;
}

} // namespace kxan
