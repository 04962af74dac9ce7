// Rules, cells and items: the accessors the editor and the compilers use.
#include "kxui/rfile/rule.h"

#include "kxui/objfile/objects.h"

#include <string_view>

kxset *kx_rules = nullptr;
int rule_modified = 0;

void rule_init() {
  if (kx_rules) return;
  kx_rules = kxset::make();
  kxset_save(kx_rules);
}

kxset *rule_new() { return kxset::make(); }

void rule_free(kxset *rule) { kxset_destroy(rule); }

namespace {

// Deep enough for any objects view; a bound keeps a shared cycle from
// recursing for ever.
constexpr int kMaxSearchDepth = 64;

// Depth first: each value is tried before the search descends into it, and
// only values of named attributes are descended into.
kxset *find_named(const kxset *set, const KxAtom &name, int depth) {
  if (!set || depth > kMaxSearchDepth) return nullptr;
  const int n = set->getnattr();
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = set->attr(i);
    kxset *v = a->value();
    if (!v) continue;
    if (v->getnamea() == name) return v;
    if (a->name().is_named())
      if (kxset *found = find_named(v, name, depth + 1)) return found;
  }
  return nullptr;
}

// Splits at blanks, tabs and newlines.
std::vector<std::string_view> words(const char *text) {
  std::vector<std::string_view> out;
  if (!text) return out;
  std::string_view s(text);
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::string_view(" \t\n\r\f\v").find(s[i]) != std::string_view::npos) ++i;
    size_t j = i;
    while (j < s.size() && std::string_view(" \t\n\r\f\v").find(s[j]) == std::string_view::npos) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

// Attribute name for a `sub` argument: null means every attribute (the zero
// atom), "" the anonymous items (the null atom).
KxAtom sub_atom(const char *sub) { return sub ? KxAtom(sub) : KxAtom(); }

kxset *cell_of(kxset *rule, const char *cell, bool create) {
  if (!rule || !cell) return nullptr;
  KxAtom name(cell);
  if (kxset *c = rule->get(name)) return c;
  if (!create) return nullptr;
  kxset *c = kxset::make();
  if (rule->set(name, c) < 0) {
    kxset_destroy(c);
    return nullptr;
  }
  return c;
}

} // namespace

kxset *rule_getname(const char *name) {
  if (!name) return nullptr;
  KxAtom known = KxAtom::find(name);
  if (known.is_named())
    if (kxset *obj = find_named(kx_objects, known, 0)) return obj;
  return kxset::make(KxAtom(name));
}

std::string rule_get(const kxset *rule, const char *cell, const char *sub) {
  std::string out;
  const kxset *c = rule_get_set(rule, cell);
  if (!c) return out;
  kxset_iterator it(c, sub_atom(sub));
  while (kxset *v = it.next()) {
    if (!out.empty()) out += ' ';
    out += v->getname();
  }
  return out;
}

int rule_set(kxset *rule, const char *cell, const char *sub, const char *text) {
  kxset *c = cell_of(rule, cell, true);
  if (!c) return -1;
  if (sub && *sub) {
    kxset *item = rule_getname(text ? text : "");
    KxSetRef hold(item);
    return c->set(KxAtom(sub), item) < 0 ? -1 : 0;
  }
  // Drop the items, keep "op" and anything else the cell holds.
  for (int i = c->getnattr() - 1; i >= 0; --i)
    if (c->getattrnamea(i).is_null()) c->remove(i);
  const KxAtom anon = KxAtom::null();
  for (std::string_view w : words(text)) {
    kxset *item = rule_getname(std::string(w).c_str());
    KxSetRef hold(item);
    if (c->append(anon, item) < 0) return -1;
  }
  return 0;
}

int rule_set_item(kxset *rule, const char *cell, const char *name) {
  if (!name || rule_set(rule, cell, "", "") < 0) return -1;
  kxset *item = rule_getname(name);
  KxSetRef hold(item);
  return rule_get_set(rule, cell)->append(KxAtom::null(), item) < 0 ? -1 : 0;
}

int rule_put(kxset *rule, const char *cell, const char *sub, kxset *item) {
  if (!item) return -1;
  kxset *c = cell_of(rule, cell, true);
  if (!c) return -1;
  const KxAtom name = sub ? KxAtom(sub) : KxAtom::null();
  kxset_iterator it(c, name);
  while (kxset *v = it.next())
    if (v->getnamea() == item->getnamea()) return 0;
  return c->append(name, item) < 0 ? -1 : 1;
}

int rule_del(kxset *rule, const char *cell, const char *sub, const char *item_name) {
  kxset *c = cell_of(rule, cell, false);
  if (!c || !item_name) return -1;
  const KxAtom name = sub ? KxAtom(sub) : KxAtom::null();
  const KxAtom wanted = KxAtom::find(item_name);
  if (!wanted.is_named()) return -1;
  const int n = c->getnattr();
  for (int i = 0; i < n; ++i)
    if (c->getattrnamea(i) == name && c->get(i)->getnamea() == wanted) return c->remove(i);
  return -1;
}

int rule_del(kxset *rule, const char *cell, const char *sub, const kxset *item) {
  return item ? rule_del(rule, cell, sub, item->getname()) : -1;
}

kxset *rule_get_set(const kxset *rule, const char *cell) {
  if (!rule || !cell) return nullptr;
  KxAtom name = KxAtom::find(cell);
  return name.is_named() ? rule->get(name) : nullptr;
}

int rule_negated(const kxset *rule, const char *cell) {
  return rule_get(rule, cell, RULE_OP) == RULE_NOT_IN;
}

kxset *rule_copy(const kxset *rule) {
  if (!rule) return nullptr;
  kxset *copy = kxset::make(rule->getnamea());
  const int n = rule->getnattr();
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = rule->attr(i);
    if (a->name().is_private() || !a->value()) continue;
    const kxset *cell = a->value();
    kxset *nc = kxset::make(cell->getnamea());
    const int m = cell->getnattr();
    for (int j = 0; j < m; ++j) {
      const kxattribute *item = cell->attr(j);
      if (!item->name().is_private() && item->value()) nc->append(item->name(), item->value());
    }
    copy->append(a->name(), nc);
  }
  return copy;
}

// ------------------------------------------------------------ install on

namespace {
struct InstallWord {
  const char *word;
  int bit;
};
constexpr InstallWord kInstallWords[] = {
    {"gateway", RULE_INSTALL_GATEWAY},
    {"src", RULE_INSTALL_SRC},
    {"dst", RULE_INSTALL_DST},
};
} // namespace

std::string kx_install_v2s(int mask) {
  std::string out;
  for (const InstallWord &w : kInstallWords)
    if (mask & w.bit) {
      if (!out.empty()) out += ' ';
      out += w.word;
    }
  return out.empty() ? "none" : out;
}

int kx_install_s2v(const char *text) {
  int mask = 0;
  for (std::string_view w : words(text))
    for (const InstallWord &iw : kInstallWords)
      if (w == iw.word) mask |= iw.bit;
  return mask;
}
