#include "kxlv/selist_objects.h"

#include "kxlv/match.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

namespace {

bool is(const std::string &a, const char *b) { return !strcasecmp(a.c_str(), b); }

const char *text_at(const kxset *s, const char *name) {
  const kxset *v = s ? s->get(name) : nullptr;
  return v ? v->getname() : nullptr;
}

} // namespace

// The values of a list: the children of "vals" when it has one, else its
// own anonymous children.
std::vector<const kxset *> kxlv_list_values(const kxset *list) {
  std::vector<const kxset *> out;
  if (!list) return out;
  const kxset *from = list->get("vals") ? list->get("vals") : list;
  for (int i = 0; i < from->getnattr(); ++i)
    if (from->getattrnamea(i).view().empty() && from->get(i)) out.push_back(from->get(i));
  return out;
}


// Nesting of groups that compiling and testing follow (a group that holds
// itself ends there).
constexpr int kMaxDepth = 16;

static const char *type_of(const kxset *o) { return text_at(o, "type") ? text_at(o, "type") : ""; }

static bool is_node_type(const char *t) { return is(t, "host") || is(t, "gateway") || is(t, "router"); }

// The object a list value or group member stands for: the value itself when
// it carries its properties, else the object of that name in `table`.
const kxset *kxlv_object_of(const kxset *v, const char *table, const kxlv_object_finder *objects) {
  if (v->get("type") || !objects || !*objects) return v->get("type") ? v : nullptr;
  return (*objects)(table, v->getname());
}

static bool ipaddr_of(const kxset *o, uint32_t *addr) {
  in_addr a{};
  const char *t = text_at(o, "ipaddr");
  if (!t || inet_pton(AF_INET, t, &a) != 1) return false;
  *addr = ntohl(a.s_addr);
  return true;
}

static uint32_t netmask_of(const kxset *o) {
  in_addr a{};
  const char *t = text_at(o, "netmask");
  return t && inet_pton(AF_INET, t, &a) == 1 ? ntohl(a.s_addr) : 0xFFFFFFFFu;
}

// (address, mask) pairs of a network object: hosts, gateways and routers
// by their address, networks by address and mask, groups by their members.
// False for objects without an address (domains, patterns): those are left
// to the full test.
bool kxlv_object_pairs(const kxset *o, const kxlv_object_finder *objects, int depth, std::vector<uint32_t> *out) {
  if (!o || depth > kMaxDepth) return false;
  if (is(o->getname(), "any")) {
    out->insert(out->end(), {0u, 0u});
    return true;
  }
  const char *type = type_of(o);
  if (is(type, "group")) {
    for (const kxset *m : kxlv_list_values(o))
      if (!kxlv_object_pairs(kxlv_object_of(m, "netobj", objects), objects, depth + 1, out)) return false;
    return true;
  }
  uint32_t a = 0;
  if (!ipaddr_of(o, &a)) return false;
  const uint32_t m = is_node_type(type) ? 0xFFFFFFFFu : netmask_of(o);
  out->insert(out->end(), {a & m, m});
  return true;
}

// The host name of an address, for domain objects; empty when it has none.
static std::string host_name(uint32_t addr) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(addr);
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr *>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD))
    return {};
  return host;
}

// Whether an address is a member of a network object (the full test).
// Networks compare by their own mask: the quick test does, and an entry
// must pass both.
bool kxlv_address_member(const kxset *o, uint32_t v, const kxlv_object_finder *objects, int depth) {
  if (!o || depth > kMaxDepth) return false;
  if (is(o->getname(), "any")) return true;
  const char *type = type_of(o);
  if (is(type, "group")) {
    for (const kxset *m : kxlv_list_values(o))
      if (kxlv_address_member(kxlv_object_of(m, "netobj", objects), v, objects, depth + 1)) return true;
    return false;
  }
  uint32_t a = 0;
  if (ipaddr_of(o, &a)) {
    const uint32_t m = is_node_type(type) ? 0xFFFFFFFFu : netmask_of(o);
    return (v & m) == (a & m);
  }
  const std::string host = host_name(v);
  if (host.empty()) return false;
  if (is(type, "domain")) {
    // ".example.com" holds every host whose name ends in ".example.com".
    const std::string domain = o->getname()[0] == '.' ? o->getname() : std::string(".") + o->getname();
    return host.size() > domain.size() && !strcasecmp(host.c_str() + host.size() - domain.size(), domain.c_str());
  }
  const char *pattern = text_at(o, "regexp") ? text_at(o, "regexp") : o->getname();
  return kxlv_pattern_contains(host, pattern);
}

// The port range of a service object's "port" text: "25", "6000-6063",
// ">1023", "<1024"; false for anything else.
static bool port_range(const char *text, uint32_t *lo, uint32_t *hi) {
  if (!text || !*text) return false;
  char *end = nullptr;
  if (*text == '>' || *text == '<') {
    const long v = std::strtol(text + 1, &end, 10);
    if (end == text + 1 || *end || v < 0 || v > 65535) return false;
    if (*text == '>') *lo = uint32_t(v) + 1, *hi = 65535;
    else *lo = 0, *hi = v > 0 ? uint32_t(v) - 1 : 0;
    return *text == '>' || v > 0;
  }
  const long a = std::strtol(text, &end, 10);
  if (end == text || a < 0 || a > 65535) return false;
  if (!*end) return *lo = *hi = uint32_t(a), true;
  if (*end != '-') return false;
  const char *b = end + 1;
  const long z = std::strtol(b, &end, 10);
  if (end == b || *end || z < a || z > 65535) return false;
  *lo = uint32_t(a), *hi = uint32_t(z);
  return true;
}

// Ports of a service object for the quick test: single ports only (a
// range or a service without a port leaves the selection to the full test).
bool kxlv_service_ports(const kxset *o, const kxlv_object_finder *objects, int depth, std::vector<uint32_t> *out) {
  if (!o || depth > kMaxDepth) return false;
  if (is(type_of(o), "group")) {
    for (const kxset *m : kxlv_list_values(o))
      if (!kxlv_service_ports(kxlv_object_of(m, "servobj", objects), objects, depth + 1, out)) return false;
    return true;
  }
  uint32_t lo = 0, hi = 0;
  if (!port_range(text_at(o, "port"), &lo, &hi) || lo != hi) return false;
  out->push_back(lo);
  return true;
}

// Whether a logged service (its shown text and port word) is a member of
// a selected service: by name, by the object's port or port range, by its
// "regexp", or through a group.
bool kxlv_service_member(const kxset *o, const std::string &text, uint32_t word, const kxlv_object_finder *objects,
                    int depth) {
  if (!o || depth > kMaxDepth) return false;
  if (is(o->getname(), "any") || is(text, o->getname())) return true;
  if (is(type_of(o), "group")) {
    for (const kxset *m : kxlv_list_values(o)) {
      if (is(text, m->getname())) return true;
      if (kxlv_service_member(kxlv_object_of(m, "servobj", objects), text, word, objects, depth + 1)) return true;
    }
    return false;
  }
  uint32_t lo = 0, hi = 0;
  if (port_range(text_at(o, "port"), &lo, &hi)) return lo <= word && word <= hi;
  const char *pattern = text_at(o, "regexp");
  return pattern && kxlv_pattern_contains(text, pattern);
}

