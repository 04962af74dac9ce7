// Merging an imported object into an existing one: what the existing object
// lacks is added, what both have is merged further down, and values that
// disagree stay as they are.
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"

#include <unordered_set>

using kxobj_detail::ieq;

namespace {

// The source sets on the current path: a set that contains itself is merged
// once.
using Path = std::unordered_set<const kxset *>;

void merge(kxset *dst, const kxset *src, Path &path) {
  if (!dst || !src || dst == src) return;
  const char *dt = kxobj_type(dst), *st = kxobj_type(src);
  if (dt && st && *dt && *st && !ieq(dt, st)) return;
  if (!path.insert(src).second) return;
  for (int i = 0, n = src->getnattr(); i < n; ++i) {
    const kxattribute *a = src->attr(i);
    if (!a || a->name().is_zero() || !a->value()) {
      error(0, 0, "kxobj_merge:unexpected NULL");
      continue;
    }
    if (a->name().is_private()) continue;
    kxset *v = a->value();
    if (a->name().is_null()) {
      kxset *m = kxobj_getnamed(dst, v->getname());
      if (!m) m = kxobj_getnamed(dst, kxobj_get(v, "ipaddr"));
      if (m)
        merge(m, v, path);
      else
        dst->append(KxAtom::null(), v);
      continue;
    }
    kxset *d = dst->get(a->name());
    if (!d) {
      dst->set(a->name(), v);
      continue;
    }
    if (d->getnamea().is_null() && !v->getnamea().is_null()) d->setname(v->getnamea());
    if (d->getnamea() == v->getnamea()) merge(d, v, path);
  }
  path.erase(src);
}

} // namespace

void kxobj_merge(kxset *dst, const kxset *src) {
  Path path;
  merge(dst, src, path);
}
