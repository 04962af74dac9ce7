// Small helpers shared by the object layer's files.
#pragma once

#include "kxset/kxset.h"
#include "kxu/text.h"

#include <strings.h>

namespace kxobj_detail {

// The atom of an attribute name for a lookup: an unknown text gives the zero
// atom, which no attribute carries, so lookups never intern stray names.
inline KxAtom lookup_atom(const char *name) {
  return name ? KxAtom::find(name) : KxAtom::zero();
}

using kxu::ieq;

inline bool is_anonymous(const kxset *list, int i) {
  return list->getattrnamea(i).is_null();
}

// Calls f(value) for each anonymous member of list, in order, until f
// returns true; returns that member or null.
template <typename F> kxset *each_member(const kxset *list, F f) {
  if (!list) return nullptr;
  int n = list->getnattr();
  for (int i = 0; i < n; ++i) {
    if (!is_anonymous(list, i)) continue;
    kxset *v = list->get(i);
    if (v && f(v)) return v;
  }
  return nullptr;
}

} // namespace kxobj_detail
