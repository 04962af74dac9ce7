// Scopes built from a dictionary, and the C-style scope calls.
#include "kxset/sio.h"
#include "kxset/sio_state.h"

// The base of scopes without a dictionary: one empty set for the process.
kxset *sio::empty_base() {
  static kxset *base = [] {
    kxset *s = kxset::make();
    kxset_save(s);
    return s;
  }();
  return base;
}

KxScope *sio_namesp(KxScope *scope, kxset *dict) {
  if (!scope) scope = new KxScope(dict ? dict : sio::empty_base());
  if (!dict) return scope;
  // Every anonymous member of every table is known by its own name.
  for (int t = 0, nt = dict->getnattr(); t < nt; ++t) {
    const kxset *table = dict->get(t);
    if (!table) continue;
    for (int m = 0, nm = table->getnattr(); m < nm; ++m) {
      const kxattribute *a = table->attr(m);
      if (a->name().is_named() || !a->value()) continue;
      scope->Add(a->value()->getnamea(), a->value());
    }
  }
  return scope;
}

int cs_pushscope(KxScope *scope, kxset *set) { return scope->Push(set); }
int cs_popscope(KxScope *scope) { return scope->Pop(); }
kxset *cs_topscope(KxScope *scope) { return scope->GetTop(); }
kxset *cs_inscope(KxScope *scope, const KxAtom &name) { return scope->Get(name); }
void cs_stack_destroy(KxScope *scope) { delete scope; }
