#include "kxui/compiler/addr.h"

#include "kxui/compiler/run.h"
#include "kxu/netaddr.h"
#include "kxu/report.h"
#include "kxu/sym.h"
#include "kxui/objfile/objects.h"
#include "kxui/obj/kxobj.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <rpc/netdb.h>
#include <string_view>
#include <strings.h>
#include <sys/socket.h>

namespace {

bool has_attr(const kxset *obj, const char *attr) {
  if (!obj) return false;
  KxAtom name = KxAtom::find(attr);
  return !name.is_zero() && obj->get(name) != nullptr;
}

// Numbers from the process-wide symbol cache, which asks the system tables
// once per name. Addresses come back in host order.
bool system_lookup_one(const char *name, std::string_view type, uint32_t *out) {
  int t = sym_type_byname(std::string(type).c_str());
  long n = 0;
  if (t < 0 || getsym(name, static_cast<sym_type>(t), &n) != 0) return false;
  switch (t) {
  case SYM_HOSTS:
    *out = ntohl(static_cast<uint32_t>(n));
    break;
  case SYM_NETWORKS:
    *out = net_normalize(static_cast<uint32_t>(n)); // 10 stands for 10.0.0.0
    break;
  default:
    *out = static_cast<uint32_t>(n);
  }
  return true;
}

bool system_lookup(const char *name, const char *types, uint32_t *out) {
  std::string_view rest(types);
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view type = rest.substr(0, comma);
    if (system_lookup_one(name, type, out)) return true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

// Interface entries keep their address in "ipaddr"; a blank one means none
// (their names are not host names, so they are never looked up).
uint32_t iface_addr(const kxset *iface) {
  const char *text = kxobj_get(iface, "ipaddr");
  if (isnull(text)) return KX_NOADDR;
  return obj_netaddr_n(iface, 0);
}

} // namespace

// ------------------------------------------------------------- texts

bool isnull(const char *text) {
  if (!text) return true;
  for (; *text; ++text)
    if (!isblank(static_cast<unsigned char>(*text))) return false;
  return true;
}

bool isall(const char *name) {
  return name && (strcasecmp(name, "all") == 0 || strcasecmp(name, "any") == 0);
}

const char *element_type(const kxset *obj) {
  static const KxAtom type("type");
  const kxset *v = obj ? obj->get(type) : nullptr;
  return v ? v->getname() : "notype";
}

namespace kxcomp {

Kind kind_of(const kxset *obj) {
  static const KxAtom type_atom("type");
  const kxset *v = obj ? obj->get(type_atom) : nullptr;
  if (!v) return Kind::notype;
  const char *t = v->getname();
  if (strcasecmp(t, "host") == 0) return Kind::host;
  if (strcasecmp(t, "gateway") == 0) return Kind::gateway;
  if (strcasecmp(t, "router") == 0) return Kind::router;
  if (strcasecmp(t, "hostif") == 0) return Kind::hostif;
  if (strncasecmp(t, "net", 3) == 0) return Kind::net;
  if (strncasecmp(t, "dom", 3) == 0) return Kind::domain;
  if (strcasecmp(t, "group") == 0 || strcasecmp(t, "usrgroup") == 0) return Kind::group;
  if (strcasecmp(t, "other") == 0) return Kind::other;
  if (strcasecmp(t, "tcp") == 0) return Kind::tcp;
  if (strcasecmp(t, "udp") == 0) return Kind::udp;
  if (strcasecmp(t, "rpc") == 0) return Kind::rpc;
  if (strcasecmp(t, "icmp") == 0) return Kind::icmp;
  return Kind::unknown;
}

SymbolLookup set_symbol_lookup(SymbolLookup fn) {
  CompileRun &run = CompileRun::current();
  SymbolLookup prev = run.lookup ? run.lookup : system_lookup;
  run.lookup = fn;
  return prev;
}

bool lookup_symbol(const char *name, const char *types, uint32_t *number) {
  if (!name || !*name || !types) return false;
  SymbolLookup lookup = CompileRun::current().lookup;
  return (lookup ? lookup : system_lookup)(name, types, number);
}

bool parse_dotted_quad(const char *text, uint32_t *out) {
  if (!text) return false;
  uint32_t v = 0;
  const char *p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (*p != '.') return false;
      ++p;
    }
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    unsigned n = 0;
    int digits = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
      n = n * 10 + static_cast<unsigned>(*p++ - '0');
      if (++digits > 3 || n > 255) return false;
    }
    v = (v << 8) | n;
  }
  while (isblank(static_cast<unsigned char>(*p))) ++p;
  if (*p) return false;
  *out = v;
  return true;
}

std::vector<kxset *> object_interfaces(const kxset *obj) {
  std::vector<kxset *> out;
  if (!obj) return out;
  static const KxAtom ifname("ifname");
  for (int i = 0, n = obj->getnattr(); i < n; ++i) {
    kxset *v = obj->get(i);
    if (v && v->get(ifname)) out.push_back(v);
  }
  return out;
}

} // namespace kxcomp

// ------------------------------------------------------------- addresses

uint32_t natural_netmask(uint32_t addr) {
  if ((addr & 0x80000000u) == 0) return 0xff000000u;
  if ((addr & 0xc0000000u) == 0x80000000u) return 0xffff0000u;
  if ((addr & 0xe0000000u) == 0xc0000000u) return 0xffffff00u;
  return addr;
}

std::string iptoa(uint32_t addr) {
  char buf[16];
  snprintf(buf, sizeof buf, "%u.%u.%u.%u", addr >> 24, (addr >> 16) & 255, (addr >> 8) & 255,
           addr & 255);
  return buf;
}

std::string praddr(uint32_t addr) { return iptoa(addr); }

static uint32_t lookup_address(const char *name, int report) {
  uint32_t a = 0;
  if (kxcomp::lookup_symbol(name, "hosts,networks", &a)) return a;
  if (report > 0) error(0, 0, "Cannot get address for '%s'", name);
  return KX_NOADDR;
}

uint32_t obj_netaddr_n(const kxset *obj, int report) {
  if (!obj) return KX_NOADDR;
  const char *text = kxobj_get(obj, "ipaddr");
  // Any stands for every address: it has none of its own to look up.
  if (isnull(text) && isall(obj->getname())) return KX_NOADDR;
  if (isnull(text)) return lookup_address(obj->getname(), report);
  while (isblank(static_cast<unsigned char>(*text))) ++text;
  if (isdigit(static_cast<unsigned char>(*text))) {
    uint32_t a = 0;
    if (kxcomp::parse_dotted_quad(text, &a)) return a;
    if (report) error(0, 0, "%s: Badly formed IP address %s", obj->getname(), text);
    return KX_NOADDR;
  }
  return lookup_address(text, report);
}

std::string obj_netaddr(const kxset *obj, int report) {
  if (!obj) return "";
  if (kxcomp::kind_of(obj) == kxcomp::Kind::domain) return obj->getname();
  uint32_t a = obj_netaddr_n(obj, report);
  return a == KX_NOADDR ? std::string() : iptoa(a);
}

uint32_t obj_netmask_n(const kxset *obj, int report) {
  using kxcomp::Kind;
  Kind k = kxcomp::kind_of(obj);
  if (kxcomp::is_node_kind(k) || k == Kind::hostif) return KX_NOADDR;
  const char *text = kxobj_get(obj, "netmask");
  uint32_t m = 0;
  if (!isnull(text) && kxcomp::parse_dotted_quad(text, &m) && m != 0) return m;
  return natural_netmask(obj_netaddr_n(obj, report));
}

std::string obj_netmask(const kxset *obj, int report) { return iptoa(obj_netmask_n(obj, report)); }

uint32_t objhostaddr(const char *name, const kxset *table) {
  if (!name) return KX_NOADDR;
  const kxset *obj = nullptr;
  if (table) {
    KxAtom key = KxAtom::find(name);
    if (!key.is_zero()) {
      for (int i = 0, n = table->getnattr(); i < n && !obj; ++i) {
        const kxset *m = table->get(i);
        if (m && table->getattrnamea(i).is_null() && m->getnamea() == key) obj = m;
      }
    }
  }
  if (obj) {
    uint32_t a = obj_netaddr_n(obj, 0);
    return a == KX_NOADDR ? 0 : a;
  }
  uint32_t a = 0;
  if (kxcomp::lookup_symbol(name, "hosts", &a)) return a;
  if (strcmp(name, "localhost") == 0) return 0x7f000001u;
  return KX_NOADDR;
}

std::string objhostip(const char *name, const kxset *table) {
  uint32_t a = objhostaddr(name, table);
  return a == KX_NOADDR ? std::string() : iptoa(a);
}

uint32_t kxhostaddr(const char *text) {
  uint32_t a = KX_NOADDR;
  if (text && isdigit(static_cast<unsigned char>(*text))) {
    if (!kxcomp::parse_dotted_quad(text, &a)) a = KX_NOADDR;
  } else if (text) {
    a = objhostaddr(text, kx_netobj);
  }
  if (a == KX_NOADDR) errno = ENOENT;
  return a;
}

std::vector<uint32_t> objhostaddrs(const char *name, const kxset *table) {
  std::vector<uint32_t> out;
  if (!name) return out;
  const kxset *obj = nullptr;
  if (table) {
    for (int i = 0, n = table->getnattr(); i < n && !obj; ++i) {
      const kxset *m = table->get(i);
      if (m && table->getattrnamea(i).is_null() && strcmp(m->getname(), name) == 0) obj = m;
    }
  }
  if (!obj) {
    uint32_t a = objhostaddr(name, nullptr);
    if (a != KX_NOADDR) out.push_back(a);
    return out;
  }
  uint32_t own = obj_netaddr_n(obj, 0);
  if (own != KX_NOADDR) out.push_back(own);
  for (const kxset *iface : kxcomp::object_interfaces(obj)) {
    uint32_t a = iface_addr(iface);
    if (a != KX_NOADDR) out.push_back(a);
  }
  return out;
}

// ------------------------------------------------------------- ports

std::optional<std::string> obj_port(const kxset *service, int report) {
  if (!service) return std::nullopt;
  const char *port = kxobj_get(service, "port");
  if (*port) return std::string(port);
  if (!has_attr(service, "port")) {
    const char *exp = kxobj_get(service, "exp");
    if (!isnull(exp)) {
      if (strchr(exp, ',')) return "(" + std::string(exp) + ")";
      return std::string(exp);
    }
  }
  uint32_t n = 0;
  if (kxcomp::lookup_symbol(service->getname(), "services,proto,rpc", &n)) return std::to_string(n);
  if (report) error(0, 0, "Unknown service '%s'", service->getname());
  return std::nullopt;
}

long obj_port_n(const kxset *service, int report) {
  std::optional<std::string> text = obj_port(service, report);
  if (!text) return -1;
  const char *p = text->c_str();
  while (isblank(static_cast<unsigned char>(*p))) ++p;
  if (!isdigit(static_cast<unsigned char>(*p))) return -1;
  return strtol(p, nullptr, 10);
}
