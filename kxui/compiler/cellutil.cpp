#include "kxui/compiler/cellutil.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <cctype>
#include <cstring>

namespace kxrb {

static char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool istarts(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && ieq(s.substr(0, prefix.size()), prefix);
}

std::string_view text(const kxset *obj, const char *attr) { return attr ? kxobj_get(obj, attr) : ""; }

std::string_view name(const kxset *obj) { return obj ? obj->getnamea().view() : std::string_view(); }

kxset *member(const kxset *cell, int i) {
  if (!cell || i < 0) return nullptr;
  for (int k = 0, n = cell->getnattr(); k < n; ++k)
    if (cell->getattrnamea(k).is_null() && i-- == 0) return cell->get(k);
  return nullptr;
}

int nmembers(const kxset *cell) {
  int c = 0;
  each_member(cell, [&](kxset *) { ++c; });
  return c;
}

bool cell_any(const kxset *cell) { return ieq(name(first(cell)), "any"); }

bool cell_not(const kxset *cell) {
  std::string_view op = text(cell, "op");
  return op.find("not") != std::string_view::npos || op.find("Not") != std::string_view::npos;
}

std::string script_name(std::string_view s) {
  std::string out(s);
  for (char &c : out) c = c == ' ' ? '_' : lower(c);
  return out;
}

std::string upper_key(std::string_view s) {
  std::string out(s);
  for (char &c : out)
    c = c == ' ' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

kxset *props_set() { return first(kx_props); }

kxset *resolve_named(kxset *value, const kxset *table) {
  if (!value || value->getnattr() > 0 || !table) return value;
  std::string_view n = name(value);
  kxset *found = nullptr;
  each_member(table, [&](kxset *m) {
    if (!found && name(m) == n) found = m;
  });
  return found ? found : value;
}

} // namespace kxrb
