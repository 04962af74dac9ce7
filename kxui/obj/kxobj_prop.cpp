// Property access: names and plain values of objects as strings.
#include "kxui/obj/kxobj.h"
#include "kxui/obj/kxobj_util.h"

#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

using kxobj_detail::lookup_atom;

const char *kxobj_name(const kxset *obj) { return obj ? obj->getname() : ""; }

const char *kxobj_type(const kxset *obj) {
  const kxset *t = obj ? obj->get(lookup_atom("type")) : nullptr;
  return t ? t->getname() : nullptr;
}

const char *kxobj_get(const kxset *obj, const char *attr) {
  if (!obj) return "";
  if (!attr) return obj->getname();
  const kxset *v = obj->get(lookup_atom(attr));
  return v ? v->getname() : "";
}

kxset *kxobj_put(kxset *obj, const char *attr, const char *value) {
  if (!obj || !value) return nullptr;
  if (!attr) {
    obj->setname(KxAtom(value));
    return obj;
  }
  kxset *leaf = kxset::make(KxAtom(value));
  obj->set(KxAtom(attr), leaf);
  return leaf;
}

int kxobj_remove(kxset *obj, const char *attr) {
  if (!obj || !attr) return -1;
  return obj->remove(lookup_atom(attr));
}

kxset *kxobj_getobj(kxset *obj, const char *attr, int create) {
  if (!obj || !attr) return nullptr;
  if (kxset *v = obj->get(lookup_atom(attr))) return v;
  if (!create) return nullptr;
  kxset *v = kxset::make();
  obj->set(KxAtom(attr), v);
  return v;
}

kxset *kxobj_putobj(kxset *obj, const char *attr, kxset *set) {
  if (!obj || !attr || !set) return nullptr;
  return obj->set(KxAtom(attr), set) < 0 ? nullptr : set;
}

namespace {

// Only trailing blanks may follow the number.
bool only_blanks(const char *p) {
  while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
  return *p == '\0';
}

} // namespace

int kxobj_getint(const kxset *obj, const char *attr, long *out) {
  const char *text = kxobj_get(obj, attr);
  if (!*text) return 0;
  char *end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 0);
  if (end == text || errno == ERANGE || !only_blanks(end)) return 0;
  if (out) *out = v;
  return 1;
}

int kxobj_getuint(const kxset *obj, const char *attr, unsigned long *out) {
  const char *text = kxobj_get(obj, attr);
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  if (!*text || *text == '-') return 0;
  char *end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 0);
  if (end == text || errno == ERANGE || !only_blanks(end)) return 0;
  if (out) *out = v;
  return 1;
}

uintptr_t kxobj_getopaque(const kxset *obj, const char *attr) {
  const char *text = kxobj_get(obj, attr);
  return *text ? static_cast<uintptr_t>(std::strtoull(text, nullptr, 16)) : 0;
}

kxset *kxobj_putopaque(kxset *obj, const char *attr, uintptr_t word) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(word));
  return kxobj_put(obj, attr, buf);
}

kxset *kxobj_item_put(kxset *obj, const kxobj_item &item) {
  if (!obj || !item.attr) return nullptr;
  char buf[32];
  switch (item.kind) {
  case KXOBJ_HEX:
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(item.num));
    return kxobj_put(obj, item.attr, buf);
  case KXOBJ_INT:
    std::snprintf(buf, sizeof buf, "%ld", item.num);
    return kxobj_put(obj, item.attr, buf);
  case KXOBJ_STRING:
    return kxobj_put(obj, item.attr, item.str);
  case KXOBJ_SET:
    if (!item.set) return nullptr;
    return kxobj_putobj(obj, item.attr, kxsetcopy(item.set, -1));
  }
  return nullptr;
}

kxset *kxobj_addattr(kxset *obj, std::initializer_list<kxobj_item> items) {
  if (!obj) return nullptr;
  bool ok = true;
  for (const kxobj_item &it : items)
    if (!kxobj_item_put(obj, it)) ok = false;
  return ok ? obj : nullptr;
}

kxset *kxobj_gen(const char *name, std::initializer_list<kxobj_item> items) {
  KxSetRef obj(kxobj_new(name));
  if (!kxobj_addattr(obj.get(), items)) return nullptr;
  return obj.release();
}

const char *kxobj_igetattr(const kxset *obj, int i) {
  if (!obj || i < 0 || i >= obj->getnattr()) return nullptr;
  return obj->attr(i)->name().c_str();
}

const char *kxobj_iget(const kxset *obj, int i) {
  const kxset *v = kxobj_igetobj(obj, i);
  return v ? v->getname() : nullptr;
}

kxset *kxobj_igetobj(const kxset *obj, int i) {
  return obj && i >= 0 ? obj->get(i) : nullptr;
}
