#include "kxui/import/import_names.h"

#include <cctype>

namespace kximport {

std::string lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<kxset *> members(const kxset *list) {
  std::vector<kxset *> out;
  for (int i = 0, n = list ? list->getnattr() : 0; i < n; ++i) {
    const kxattribute *a = list->attr(i);
    if (a && a->name().is_null() && a->value()) out.push_back(a->value());
  }
  return out;
}

std::unordered_map<std::string, kxset *> by_name(const kxset *list) {
  std::unordered_map<std::string, kxset *> out;
  for (kxset *m : members(list)) out.emplace(lower(m->getname()), m);
  return out;
}

} // namespace kximport
