// Field definitions, the range of one object by kind, and fields of ranges.
#include "kxui/wellfleet/wfield.h"

#include "kxu/report.h"
#include "kxu/text.h"
#include "kxui/router/rtenv.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/tables.h"

#include <cctype>
#include <strings.h>

namespace {

using kxu::ieq;

kxset *wellfleet_table(const char *table) {
  kxset *base = kx_wellfleet ? kx_wellfleet : nullptr;
  return base ? base->get(KxAtom::find(table)) : nullptr;
}

int fail_range(const kxset *obj) {
  error(0, 0, "Cannot create range for '%s'", kxobj_name(obj));
  return -1;
}

// Source port bounds: decimal digits and blanks only.
int sport_bound(const char *text, uint32_t fallback, uint32_t &out) {
  out = fallback;
  bool any = false;
  uint64_t v = 0;
  for (const char *p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ' || c == '\t') continue;
    if (!std::isdigit(c)) {
      error(0, 0, "Badly formed number '%x'", c);
      return -1;
    }
    v = v * 10 + (c - '0');
    if (v > 65535) {
      error(0, 0, "Badly formed number '%x'", c);
      return -1;
    }
    any = true;
  }
  if (any) out = static_cast<uint32_t>(v);
  return any ? 1 : 0;
}

int node_range(const kxset *obj, kxell_range &out) {
  uint32_t a = 0;
  if (!rtenv::netaddr(obj, a, 0)) return fail_range(obj);
  out = {a, a, 32};
  return 1;
}

int net_range(const kxset *obj, kxell_range &out) {
  uint32_t a = 0;
  if (!rtenv::netaddr(obj, a, 0)) return fail_range(obj);
  uint32_t m = rtenv::netmask(obj);
  out = {a & m, a | ~m, 32};
  if (ieq(kxobj_get(obj, "broadcast"), "disallow")) {
    if (out.high > out.low) ++out.low;
    if (out.high > out.low) --out.high;
  }
  return 1;
}

int port_range(const kxset *obj, kxell_range &out) {
  if (!kxell_port_range(kxobj_get(obj, "port"), out)) return fail_range(obj);
  return 1;
}

int proto_range(const kxset *obj, kxell_range &out) {
  uint32_t code = 0;
  if (!kxell_number(kxobj_get(obj, "code"), 255, code)) return fail_range(obj);
  out = {code, code, 8};
  return 1;
}

int set_range(const kxset *obj, kxell_range &out) {
  if (!kxell_range_read(obj, out, 32)) return fail_range(obj);
  return 1;
}

int sport_range(const kxset *obj, kxell_range &out) {
  uint32_t lo = 0, hi = 0;
  int a = sport_bound(kxobj_get(obj, "src_port_from"), 0, lo);
  if (a < 0) return -1;
  int b = sport_bound(kxobj_get(obj, "src_port_to"), 65535, hi);
  if (b < 0) return -1;
  if (a == 0 && b == 0) return 0;
  if (lo > hi) return fail_range(obj);
  out = {lo, hi, 16};
  return 1;
}

using RangeFn = int (*)(const kxset *, kxell_range &);

RangeFn rngfunc_find(const char *kind) {
  static const struct {
    const char *kind;
    RangeFn fn;
  } table[] = {
      {"host", node_range},   {"gateway", node_range}, {"router", node_range},
      {"net", net_range},     {"network", net_range},  {"tcp", port_range},
      {"udp", port_range},    {"proto", proto_range},  {"kxset", set_range},
      {"sport", sport_range},
  };
  for (const auto &e : table)
    if (ieq(e.kind, kind)) return e.fn;
  return nullptr;
}

} // namespace

kxset *kxell_field_def(const char *name) { return kxobj_member(wellfleet_table("fields"), name); }
// Definitions are kept as named attributes, so that their names do not
// shadow the service objects of the same name when rule bases are read;
// members of that name are found too.
kxset *kxell_wservice(const char *name) {
  kxset *table = wellfleet_table("wservices");
  if (!table || !name || !*name) return nullptr;
  if (kxset *d = table->get(KxAtom::find(name))) return d;
  return kxobj_member(table, name);
}
kxset *kxell_wany() { return wellfleet_table("wany"); }
kxset *kxell_wprops() { return wellfleet_table("wprops"); }

kxset *kxell_proto_def(const char *list) {
  if (kxset *proto = kxell_field_def("proto"))
    if (kxset *d = proto->get(KxAtom::find(list))) return d;
  return kxell_field_def(list);
}

int kxell_object_range(const kxset *obj, const char *kind, kxell_range &out) {
  RangeFn fn = rngfunc_find(kind);
  if (!fn) {
    error(0, 0, "Cannot create a range for object type '%s'", kind);
    return -1;
  }
  return fn(obj, out);
}

int kxell_ranges_dogen(kxell_ranges &ranges, const std::vector<kxset *> &members,
                       const char *kind) {
  for (const kxset *m : members) {
    kxell_range r;
    int got = kxell_object_range(m, kind, r);
    if (got < 0) return -1;
    if (got > 0) ranges.push_back(r);
  }
  return 0;
}

kxset *kxell_field_make(kxset *def, kxell_ranges ranges, int positive, uint32_t width) {
  uint32_t length = width;
  if (*kxobj_get(def, "length") && !kxell_number(kxobj_get(def, "length"), 32, length))
    length = width;
  if (length == 0) length = width;
  for (kxell_range &r : ranges) r.width = length;
  kxset *field = kxset::make();
  field->append("name", def);
  kxset *rs = kxset::make();
  field->append("ranges", rs);
  kxell_ranges_optimize(rs, positive, std::move(ranges), length);
  return field;
}

int kxell_field_nranges(const kxset *field) {
  const kxset *rs = field ? field->get(KxAtom::find("ranges")) : nullptr;
  return rs ? kxobj_nmember(rs) : 0;
}

kxset *kxell_field_negate(const kxset *field) {
  // Definitions written in the configuration name their field by a leaf.
  kxset *def = field->get(KxAtom::find("name"));
  if (def && def->getnattr() == 0)
    if (kxset *known = kxell_field_def(def->getname())) def = known;
  uint32_t length = 0;
  if (!kxell_number(kxobj_get(def, "length"), 32, length) || length == 0) {
    error(0, 0, "Field '%s' has no length and cannot be negated", kxobj_name(def));
    return nullptr;
  }
  kxell_ranges ranges;
  const kxset *rs = field->get(KxAtom::find("ranges"));
  for (int i = 0; rs && i < rs->getnattr(); ++i) {
    kxell_range r;
    if (!kxell_range_read(rs->get(i), r, length)) {
      error(0, 0, "Badly formed range in field '%s'", kxobj_name(def));
      return nullptr;
    }
    ranges.push_back(r);
  }
  return kxell_field_make(def, std::move(ranges), 0, length);
}
