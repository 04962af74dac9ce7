// The relations walk the sets directly. Group walks carry the chain of
// groups being opened so that a group that contains itself is opened once
// on each path instead of for ever.
#include "kxui/compiler/algebra.h"

#include "kxui/compiler/addr.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <unordered_set>
#include <vector>

using kxcomp::Kind;
using kxcomp::kind_of;

namespace {

const KxAtom &op_atom() {
  static const KxAtom a("op");
  return a;
}
const KxAtom &default_atom() {
  static const KxAtom a("default");
  return a;
}

using Stack = std::vector<const kxset *>;

// Guards one level of group opening; `entered` is false on a loop.
struct Enter {
  Enter(Stack &s, const kxset *g) : stack(s) {
    entered = std::find(s.begin(), s.end(), g) == s.end();
    if (entered) s.push_back(g);
  }
  ~Enter() {
    if (entered) stack.pop_back();
  }
  Stack &stack;
  bool entered;
};

template <typename Fn> bool any_member(const kxset *set, Fn &&fn) {
  for (int i = 0, n = set ? set->getnattr() : 0; i < n; ++i)
    if (set->getattrnamea(i).is_null())
      if (const kxset *m = set->get(i); m && fn(m)) return true;
  return false;
}

bool names_equal(const kxset *a, const kxset *b) { return strcasecmp(a->getname(), b->getname()) == 0; }

// The interface rule of netobj_in: `a` (given as an interface) has exactly
// the address of one of b's interfaces.
bool addr_is_iface_of(uint32_t a, const kxset *b) {
  for (const kxset *iface : kxcomp::object_interfaces(b)) {
    const kxset *ip = iface->get(KxAtom("ipaddr"));
    if (!ip || isnull(ip->getname())) continue;
    if (obj_netaddr_n(iface, 0) == a) return true;
  }
  return false;
}

// netobj_in for an element whose address and kind are already known.
int netobj_in_addr(const kxset *a, Kind ka, uint32_t aaddr, const kxset *b, uint32_t baddr,
                   uint32_t bmask) {
  if (aaddr == KX_NOADDR || baddr == KX_NOADDR) return 0;
  if ((aaddr & bmask) == (baddr & bmask)) return 1;
  if (ka == Kind::net) return 0;
  if (ka == Kind::hostif) return addr_is_iface_of(aaddr, b);
  for (const kxset *iface : kxcomp::object_interfaces(a)) {
    const kxset *ip = iface->get(KxAtom("ipaddr"));
    uint32_t ia = ip && !isnull(ip->getname()) ? obj_netaddr_n(iface, 0) : KX_NOADDR;
    if (netobj_in_addr(iface, Kind::hostif, ia, b, baddr, bmask)) return 1;
  }
  return 0;
}

// Each side of a relation keeps its own chain of open groups: the same group
// may well be open on both sides (a group overlaps itself).
int element_in_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb);
int grp_in_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb);

int grp_contained_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb) {
  if (set_nomember(a)) return 1;
  if (set_nomember(b)) return 0;
  Enter in(sa, a);
  if (!in.entered) return 1; // a loop adds no member that is not checked already
  return !any_member(a, [&](const kxset *m) { return !grp_in_s(m, b, sa, sb); });
}

int grp_in_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb) {
  if (!a || !b) return 0;
  if (kind_of(a) == Kind::group) return grp_contained_s(a, b, sa, sb);
  Enter in(sb, b); // also ends loops of "default" sets
  if (!in.entered) return 0;
  if (!first_member(b)) {
    const kxset *d = b->get(default_atom());
    return d ? element_in_s(a, d, sa, sb) : 1;
  }
  return any_member(b, [&](const kxset *m) { return element_in_s(a, m, sa, sb) != 0; });
}

int element_in_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb) {
  if (!a || !b) return 0;
  if (names_equal(a, b) || isall(b->getname())) return 1;
  Kind ka = kind_of(a), kb = kind_of(b);
  if (kb == Kind::group) return grp_in_s(a, b, sa, sb);
  if (ka == Kind::other || kb == Kind::other) return 0;
  if (kxcomp::is_netobj_kind(ka)) return netobj_in(a, b);
  return 0;
}

int gen_intersec_s(const kxset *a, const kxset *b, Stack &sa, Stack &sb) {
  if (!a || !b) return 0;
  if (kind_of(a) == Kind::group) {
    Enter in(sa, a);
    if (!in.entered) return 0;
    return any_member(a, [&](const kxset *m) { return gen_intersec_s(m, b, sa, sb) != 0; });
  }
  if (kind_of(b) == Kind::group) return gen_intersec_s(b, a, sb, sa);
  return element_in_s(a, b, sa, sb) || element_in_s(b, a, sb, sa);
}

// Strips one leading and one trailing "." for domain comparison.
std::string_view domain_core(std::string_view s) {
  if (!s.empty() && s.front() == '.') s.remove_prefix(1);
  if (!s.empty() && s.back() == '.') s.remove_suffix(1);
  return s;
}

} // namespace

bool obj_isnot(const kxset *cell) {
  const kxset *op = cell ? cell->get(op_atom()) : nullptr;
  if (!op) return false;
  const char *t = op->getname();
  return strstr(t, "not") || strstr(t, "Not");
}

kxset *first_member(const kxset *set) {
  for (int i = 0, n = set ? set->getnattr() : 0; i < n; ++i)
    if (set->getattrnamea(i).is_null())
      if (kxset *m = set->get(i)) return m;
  return nullptr;
}

bool cell_isany(const kxset *cell) {
  const kxset *m = first_member(cell);
  return m && strcasecmp(m->getname(), "any") == 0;
}

bool set_nomember(const kxset *set) {
  // The chain is followed a bounded number of steps: a "default" loop means
  // no member was found.
  for (int steps = 0; set && steps < 64; ++steps) {
    if (first_member(set)) return false;
    set = set->get(default_atom());
  }
  return true;
}

bool domain_in(std::string_view a, std::string_view b) {
  a = domain_core(a);
  b = domain_core(b);
  if (a.empty() || b.empty() || b.size() > a.size()) return false;
  auto ieq = [](std::string_view x, std::string_view y) {
    return x.size() == y.size() && strncasecmp(x.data(), y.data(), x.size()) == 0;
  };
  if (!ieq(a.substr(a.size() - b.size()), b)) return false;
  return a.size() == b.size() || a[a.size() - b.size() - 1] == '.';
}

int netobj_in(const kxset *a, const kxset *b) {
  if (!a || !b) return 0;
  if (isall(b->getname())) return 1;
  Kind ka = kind_of(a), kb = kind_of(b);
  if (kb == Kind::domain) return ka == Kind::domain && domain_in(a->getname(), b->getname());
  if (ka == Kind::domain) return 0;
  uint32_t bmask = obj_netmask_n(b, 0);
  if (ka == Kind::net && bmask > obj_netmask_n(a, 0)) return 0;
  return netobj_in_addr(a, ka, obj_netaddr_n(a, 0), b, obj_netaddr_n(b, 0), bmask);
}

int element_in(const kxset *a, const kxset *b) {
  Stack sa, sb;
  return element_in_s(a, b, sa, sb);
}

int grp_in(const kxset *a, const kxset *b) {
  Stack sa, sb;
  return grp_in_s(a, b, sa, sb);
}

int grp_contained(const kxset *a, const kxset *b) {
  Stack sa, sb;
  return grp_contained_s(a, b, sa, sb);
}

int gen_intersec(const kxset *a, const kxset *b) {
  Stack sa, sb;
  return gen_intersec_s(a, b, sa, sb);
}

int grp_intersec(const kxset *a, const kxset *b) {
  if (!a || !b) return 0;
  if (!first_member(a) && !(a = a->get(default_atom()))) return 0;
  if (!first_member(b) && !(b = b->get(default_atom()))) return 0;
  Stack sa, sb;
  return any_member(a, [&](const kxset *m) {
    return any_member(b, [&](const kxset *n) { return gen_intersec_s(m, n, sa, sb) != 0; });
  });
}

int list_do_intersec(const kxset *a, const kxset *b) {
  if (cell_isany(a) || cell_isany(b)) return 1;
  return grp_intersec(a, b);
}

int kxobj_do_intersec(const kxset *a, const kxset *b) { return list_do_intersec(a, b); }

// ------------------------------------------------------------- list_intersec

namespace {

class Intersector {
public:
  explicit Intersector(const kxset *universe) : universe_(universe), out_(kxset::make()) {}
  kxset *take() { return out_.release(); }

  void run(const kxset *a, const kxset *b) {
    if (!a || !b) return;
    if (cell_isany(a)) return any_with(b);
    if (cell_isany(b)) return any_with(a);
    if (obj_isnot(a) && obj_isnot(b)) {
      KxSetRef c(kxset::make());
      c->set(op_atom(), kxset::make("not in"));
      for (const kxset *cell : {a, b})
        any_member(cell, [&](const kxset *m) {
          c->append(KxAtom::null(), const_cast<kxset *>(m));
          return false;
        });
      return complement(c.get());
    }
    const kxset *x = obj_isnot(a) ? b : a;
    select(x, x == a ? b : a);
  }

private:
  // The members of x (groups opened) that overlap y, or with y negated
  // those that do not.
  void select(const kxset *x, const kxset *y) {
    Enter in(stack_, x);
    if (!in.entered) return;
    bool negated = obj_isnot(y);
    any_member(x, [&](const kxset *e) {
      if (kind_of(e) == Kind::group) {
        run(e, y);
      } else {
        KxSetRef one(kxset::make());
        one->append(KxAtom::null(), const_cast<kxset *>(e));
        if ((grp_intersec(one.get(), y) != 0) != negated) add(e);
      }
      return false;
    });
  }
  // The objects of the universe outside the negated cell y. The universe is
  // never read as a cell of its own: a table that happens to begin with the
  // object Any must not turn this back into a complement of y.
  void complement(const kxset *y) {
    if (universe_) select(universe_, y);
  }
  void any_with(const kxset *cell) {
    if (obj_isnot(cell)) return complement(cell);
    any_member(cell, [&](const kxset *m) {
      add(m);
      return false;
    });
  }
  void add(const kxset *m) {
    if (seen_.insert(m).second) out_->append(KxAtom::null(), const_cast<kxset *>(m));
  }

  const kxset *universe_;
  KxSetRef out_;
  std::unordered_set<const kxset *> seen_;
  Stack stack_;
};

} // namespace

kxset *list_intersec(const kxset *universe, const kxset *a, const kxset *b) {
  Intersector in(universe);
  in.run(a, b);
  return in.take();
}
