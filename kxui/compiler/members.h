// Walking the members of a group or list: its anonymous attributes.
#pragma once

#include "kxset/kxset.h"

namespace kxcomp {

template <typename Fn> void each_member(const kxset *set, Fn &&fn) {
  for (int i = 0, n = set ? set->getnattr() : 0; i < n; ++i)
    if (set->getattrnamea(i).is_null())
      if (kxset *m = set->get(i)) fn(m);
}

inline int nmembers(const kxset *set) {
  int n = 0;
  each_member(set, [&](kxset *) { ++n; });
  return n;
}

} // namespace kxcomp
