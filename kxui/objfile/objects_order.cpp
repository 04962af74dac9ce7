// Putting the groups of a table in an order the reader can resolve: the
// reader knows only objects defined earlier in the table, so every group
// must follow the groups it contains.
#include "kxui/objfile/objects.h"

#include "kxu/report.h"
#include "kxui/obj/kxobj.h"

#include <unordered_set>
#include <utility>
#include <vector>

namespace {

struct Orderer {
  std::unordered_set<const kxset *> placed, on_path;
  std::vector<KxSetRef> groups;

  void visit(kxset *g) {
    if (placed.count(g)) return;
    if (on_path.count(g)) {
      error(0, 0, "group %s membership loop !!!", g->getname());
      return;
    }
    on_path.insert(g);
    for (int i = 0, n = g->getnattr(); i < n; ++i) {
      kxset *m = g->get(i);
      if (m && g->getattrnamea(i).is_null() && is_group(m)) visit(m);
    }
    on_path.erase(g);
    placed.insert(g);
    groups.emplace_back(g);
  }
};

} // namespace

void objects_order_groups(kxset *table) {
  if (!table) return;
  std::vector<std::pair<KxAtom, KxSetRef>> others;
  Orderer order;
  for (int i = 0, n = table->getnattr(); i < n; ++i) {
    kxset *v = table->get(i);
    if (!v) continue;
    if (is_group(v))
      order.visit(v);
    else
      others.emplace_back(table->getattrnamea(i), KxSetRef(v));
  }
  kxobj_emptylist(table);
  for (auto &[name, value] : others) table->append(name, value.get());
  for (const KxSetRef &g : order.groups) table->append(KxAtom::null(), g.get());
}
