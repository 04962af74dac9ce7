// Small helpers over cells and objects shared by the rule generators and the
// verification: attribute texts, case-blind comparisons, anonymous members.
#pragma once

#include "kxset/kxset.h"
#include "kxu/text.h"

#include <string>
#include <string_view>

namespace kxrb {

// Case-blind equality and prefix test.
using kxu::ieq;
bool istarts(std::string_view s, std::string_view prefix);

// The text of attribute `attr` of `obj` ("" when missing or obj is null).
std::string_view text(const kxset *obj, const char *attr);
// The name of a set ("" for null).
std::string_view name(const kxset *obj);

// The i-th anonymous member of a cell, null past the end.
kxset *member(const kxset *cell, int i);
// The first anonymous member, or null.
inline kxset *first(const kxset *cell) { return member(cell, 0); }
// Number of anonymous members.
int nmembers(const kxset *cell);

// Calls fn(member) for each anonymous member in order.
template <typename Fn> void each_member(const kxset *cell, Fn &&fn) {
  if (!cell) return;
  for (int i = 0, n = cell->getnattr(); i < n; ++i)
    if (cell->getattrnamea(i).is_null())
      if (kxset *m = cell->get(i)) fn(m);
}

// A cell whose first member is named "any".
bool cell_any(const kxset *cell);
// A cell whose "op" names "not" or "Not".
bool cell_not(const kxset *cell);

// Lower case with blanks as "_": how names reach the script.
std::string script_name(std::string_view s);
// Upper case with blanks as "_".
std::string upper_key(std::string_view s);

// The global properties set (the first member of the "props" table), or null.
kxset *props_set();
// A property value that names an object: the value itself when it has
// attributes, else the member of `table` with that name, else the value.
kxset *resolve_named(kxset *value, const kxset *table);

} // namespace kxrb
