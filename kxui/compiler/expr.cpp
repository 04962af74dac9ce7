// Writing routines and the network-object and service conditions.
#include "kxui/compiler/expr.h"
#include "kxui/compiler/members.h"

#include "kxui/compiler/addr.h"
#include "kxui/compiler/algebra.h"

#include <cctype>
#include <cstring>
#include <strings.h>

using kxcomp::Kind;
using kxcomp::kind_of;

std::string &pword(std::string &dst, const char *s1, const char *s2) {
  if (!s1) return dst;
  dst += s1;
  if (s2) dst += s2;
  return dst;
}

std::string &pwordl(std::string &dst, const char *s1, const char *s2) {
  if (!s1) return dst;
  for (const char *p = s1; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    dst += isblank(c) ? '_' : static_cast<char>(tolower(c));
  }
  if (s2) dst += s2;
  return dst;
}

namespace {

using kxcomp::each_member;
using kxcomp::nmembers;

// Networks of an entry whose broadcast address must not pass, each with its
// pseudo-member "<net>|~<net>_netmask", added to `bcast`.
void collect_broadcasts(const kxset *entry, KxSetRef &bcast) {
  static const KxAtom broadcast("broadcast");
  each_member(entry, [&](kxset *m) {
    const kxset *b = kind_of(m) == Kind::net ? m->get(broadcast) : nullptr;
    if (!b || strcasecmp(b->getname(), "disallow") != 0) return;
    if (!bcast) bcast = kxset::make();
    std::string name = m->getname();
    bcast->append(KxAtom::null(), m);
    bcast->append(KxAtom::null(), kxset::make(KxAtom(name + "|~" + name + "_netmask")));
  });
}

// One entry of a network-object condition (step after the opener).
void write_entry(std::string &dst, const char *field, kxset *entry, kxset *lists, bool positive) {
  const char *kind = entry->getname();
  if (strcmp(kind, "net") == 0 || strcmp(kind, "network") == 0) dst += "netof ";
  if (nmembers(entry) >= 2) {
    std::string name = gen_list_name(lists, kind, entry);
    pword(dst, field, positive ? " in " : " not in ");
    pwordl(dst, name.c_str());
    return;
  }
  const char *member = first_member(entry)->getname();
  if (strcmp(kind, "netmask") == 0) {
    pword(dst, "net_", positive ? "in(" : "notin(");
    pword(dst, field, ", ");
    pwordl(dst, member, ", ");
    pwordl(dst, member, "_netmask)");
    return;
  }
  if (strcmp(kind, "domain") == 0) pword(dst, field, positive ? " in " : " not in ");
  else pword(dst, field, positive ? " = " : " != ");
  pwordl(dst, member);
}

} // namespace

bool gen_netobj(std::string &dst, const char *field, const kxset *cell, kxset *lists,
                kxset *addresses, bool sep, bool accept, bool allow_domains,
                std::string *domain) {
  if (!cell || cell_isany(cell)) return true;
  KxSetRef types(type_gen_netobj());
  std::string first_domain;
  each_member(cell, [&](kxset *m) { span_listobj(types.get(), m, &first_domain); });
  if (!allow_domains && !first_domain.empty()) {
    if (domain) *domain = first_domain;
    return false;
  }
  each_member(types.get(), [&](kxset *list) {
    each_member(list, [&](kxset *m) { used_add(addresses, m); });
  });
  const bool positive = !obj_isnot(cell);
  lists_netcode(types.get());

  bool written = false;
  KxSetRef bcast;
  each_member(types.get(), [&](kxset *entry) {
    if (!first_member(entry)) return;
    if (!written) {
      if (sep) dst += ",\n\t\t";
      dst += "(";
      written = true;
    } else {
      dst += positive ? " or " : " and ";
    }
    write_entry(dst, field, entry, lists, positive);
    if (accept == positive) collect_broadcasts(entry, bcast);
  });
  if (bcast) {
    std::string name = gen_list_name(lists, "broadcast", bcast.get());
    if (accept && positive) pword(dst, ", ", field).append(" not in ");
    else pword(dst, " or ", field).append(" in ");
    pwordl(dst, name.c_str());
  }
  if (written) dst += ")";
  return true;
}

void gen_rule_services(std::string &dst, const kxset *cell, kxset *services) {
  if (!cell || cell_isany(cell)) return;
  KxSetRef types(type_gen_servobj());
  each_member(cell, [&](kxset *m) { span_listobj(types.get(), m); });
  const bool negated = obj_isnot(cell);
  bool earlier = false;
  each_member(types.get(), [&](kxset *list) {
    if (!first_member(list)) return;
    if (earlier) dst += negated ? " and not " : " or ";
    else if (negated) dst += "not ";
    earlier = true;
    dst += "(";
    pwordl(dst, list->getname(), ", ");
    bool first = true;
    each_member(list, [&](kxset *m) {
      if (!first) dst += " or ";
      first = false;
      pwordl(dst, m->getname());
      used_add(services, m);
    });
    dst += ")";
  });
}

std::optional<std::string> obj_netname(const kxset *obj, int report) {
  static const KxAtom type("type");
  if (!obj || !obj->get(type)) return std::nullopt;
  if (kind_of(obj) == Kind::net) {
    uint32_t addr = obj_netaddr_n(obj, report);
    uint32_t mask = obj_netmask_n(obj, report);
    return iptoa(addr & mask) + ", " + iptoa(mask);
  }
  return obj_netaddr(obj, report);
}
