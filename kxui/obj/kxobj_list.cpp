// Lists, tables and their members; copies and references.
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"
#include "kxui/obj/tables.h"

#include <cstring>
#include <string>

using kxobj_detail::each_member;
using kxobj_detail::ieq;
using kxobj_detail::is_anonymous;
using kxobj_detail::lookup_atom;

kxset *kxobj_new(const char *name) {
  return kxset::make(name ? KxAtom(name) : KxAtom::null());
}

kxset *kxobj_newlist() { return kxset::make(); }

kxset *kxobj_create(kxset *table, const char *name, const char *type) {
  KxSetRef obj(kxobj_new(name));
  if (type) kxobj_put(obj.get(), "type", type);
  if (table) kxobj_insert(table, obj.get());
  return obj.release();
}

int kxobj_insert(kxset *list, kxset *obj) {
  if (!list || !obj) return -1;
  return list->setobj(obj, KxAtom::null());
}

int kxobj_append(kxset *list, kxset *obj) {
  if (!list || !obj) return -1;
  return list->append(KxAtom::null(), obj);
}

int kxobj_aappend(kxset *list, const char *attr, kxset *obj) {
  if (!list || !obj) return -1;
  return list->append(attr ? KxAtom(attr) : KxAtom::null(), obj);
}

int kxobj_delete(kxset *list, const kxset *obj) {
  if (!list || !obj) return -1;
  for (int i = 0, n = list->getnattr(); i < n; ++i)
    if (list->get(i) == obj) return list->remove(i);
  return -1;
}

void kxobj_emptylist(kxset *list) {
  if (!list) return;
  for (int n = list->getnattr(); n > 0; --n) list->remove(n - 1);
}

int kxobj_nsons(const kxset *list) { return list ? list->getnattr() : 0; }

int kxobj_nmember(const kxset *list) {
  int n = 0;
  each_member(list, [&](kxset *) {
    ++n;
    return false;
  });
  return n;
}

kxset *kxobj_member(const kxset *list, const char *name) {
  if (!name) return nullptr;
  return each_member(list, [&](kxset *m) { return ieq(m->getname(), name); });
}

kxset *kxobj_ithmember(const kxset *list, int i) {
  if (i < 0) return nullptr;
  return each_member(list, [&](kxset *) { return i-- == 0; });
}

kxset *kxobj_obj(const kxset *list, const char *name) {
  if (!name) return nullptr;
  KxAtom a = KxAtom::find(name);
  return each_member(list, [&](kxset *m) { return m->getnamea() == a; });
}

kxset *kxobj_obj_all(const kxset *list, const char *name) {
  if (!list || !name) return nullptr;
  KxAtom a = KxAtom::find(name);
  for (int i = 0, n = list->getnattr(); i < n; ++i) {
    kxset *v = list->get(i);
    if (v && v->getnamea() == a) return v;
  }
  return nullptr;
}

kxset *kxobj_getnamed(const kxset *list, const char *key) {
  if (!key || !*key) return nullptr;
  KxAtom a = KxAtom::find(key);
  return each_member(list, [&](kxset *m) {
    return m->getnamea() == a || std::strcmp(kxobj_get(m, "ipaddr"), key) == 0;
  });
}

std::vector<std::string> kxobj_names(const kxset *list) {
  std::vector<std::string> out;
  each_member(list, [&](kxset *m) {
    out.emplace_back(m->getname());
    return false;
  });
  return out;
}

std::vector<std::string> kxobj_sons(const kxset *list) {
  std::vector<std::string> out;
  if (!list) return out;
  for (int i = 0, n = list->getnattr(); i < n; ++i)
    if (const kxset *v = list->get(i)) out.emplace_back(v->getname());
  return out;
}

std::vector<kxset *> kxobj_array(const kxset *list, const char *attr) {
  std::vector<kxset *> out;
  if (!list) return out;
  KxAtom a = attr ? KxAtom::find(attr) : KxAtom::null();
  for (int i = 0, n = list->getnattr(); i < n; ++i)
    if (list->getattrnamea(i) == a) out.push_back(list->get(i));
  return out;
}

kxset *kxobj_getlist(const kxset *table, const char *attr, const char *value) {
  if (!table) table = kx_netobj;
  kxset *out = kxobj_newlist();
  each_member(table, [&](kxset *m) {
    if (ieq(kxobj_get(m, attr), value ? value : "")) kxobj_append(out, m);
    return false;
  });
  return out;
}

void kxobj_concatanate(kxset *dst, const kxset *src) {
  if (!dst || !src || dst == src) return;
  for (int i = 0, n = src->getnattr(); i < n; ++i) {
    const kxattribute *a = src->attr(i);
    if (a && a->value()) dst->setobj(a->value(), a->name());
  }
}

kxset *kxobj_copy(const kxset *obj) { return obj ? kxsetcopy(obj, 1) : nullptr; }
kxset *kxobj_rcopy(const kxset *obj) { return obj ? kxsetcopy(obj, -1) : nullptr; }

kxset *kxobj_dupobj(const kxset *obj) {
  if (!obj) return nullptr;
  kxset *dup = kxset::make(obj->getnamea());
  kxobj_copyback(dup, obj);
  return dup;
}

void kxobj_copyback(kxset *dst, const kxset *src) {
  if (!dst || !src || dst == src) return;
  // Hold the values first: emptying dst may drop the last other count of a
  // value that src shares with it, or of src itself.
  std::vector<std::pair<KxAtom, KxSetRef>> attrs;
  for (int i = 0, n = src->getnattr(); i < n; ++i) {
    const kxattribute *a = src->attr(i);
    if (a && a->value()) attrs.emplace_back(a->name(), KxSetRef(a->value()));
  }
  kxobj_emptylist(dst);
  for (auto &[name, value] : attrs) dst->append(name, value.get());
}

void kxobj_destroy(kxset *obj) { kxset_destroy(obj); }

kxset *kxobj_makeref(const kxset *obj) {
  if (!obj) return nullptr;
  kxset *ref = kxset::make();
  kxobj_put(ref, "type", "refobj");
  kxobj_put(ref, "refname", (std::string("#_") + obj->getname()).c_str());
  return ref;
}

kxset *kxobj_getref(const kxset *ref, const kxset *table) {
  const char *name = kxobj_get(ref, "refname");
  if (std::strncmp(name, "#_", 2) == 0) name += 2;
  return kxobj_obj(table ? table : kx_netobj, name);
}
