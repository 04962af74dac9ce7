// The compiler pieces the router generators use, over the objects of the
// objects database: address accessors, containment and overlap of objects and
// cells, the valid addresses of an interface and the property tests.
#include "kxui/kxcisco/rtenv.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <pwd.h>
#include <strings.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace rtenv {
namespace {

// Groups may contain themselves; walks stop this deep.
constexpr int kMaxDepth = 64;

bool ieq(const char *a, const char *b) { return a && b && strcasecmp(a, b) == 0; }
bool istarts(const char *s, const char *p) { return s && strncasecmp(s, p, strlen(p)) == 0; }
bool isall(const kxset *o) { return o && (ieq(o->getname(), "all") || ieq(o->getname(), "any")); }

bool is_iface(const kxset *o) { return o && o->get(KxAtom::find("ifname")) != nullptr; }
// Interface entries without a type count as interface objects.
const char *type_of(const kxset *o) {
  const char *t = kxobj_type(o);
  if (t) return t;
  return is_iface(o) ? "hostif" : "notype";
}
bool t_is(const kxset *o, const char *t) { return ieq(type_of(o), t); }
bool t_net(const kxset *o) { return istarts(type_of(o), "net"); }
bool t_dom(const kxset *o) { return istarts(type_of(o), "dom"); }
bool t_group(const kxset *o) { return t_is(o, "group") || t_is(o, "usrgroup"); }
bool t_hostlike(const kxset *o) {
  return t_is(o, "host") || t_is(o, "gateway") || t_is(o, "router") || t_is(o, "hostif");
}

bool parse_quad(const char *text, uint32_t &out) {
  in_addr a{};
  if (!text || inet_pton(AF_INET, text, &a) != 1) return false;
  out = ntohl(a.s_addr);
  return true;
}

uint32_t natural_mask(uint32_t a) {
  if ((a & 0x80000000u) == 0) return 0xff000000u;
  if ((a & 0xc0000000u) == 0x80000000u) return 0xffff0000u;
  if ((a & 0xe0000000u) == 0xc0000000u) return 0xffffff00u;
  return a;
}

bool blank(const char *s) {
  for (; s && *s; ++s)
    if (*s != ' ' && *s != '\t') return false;
  return true;
}

template <typename F> bool any_member(const kxset *s, F f) {
  for (int i = 0; s && i < s->getnattr(); ++i)
    if (s->getattrnamea(i).is_null() && s->get(i) && f(s->get(i))) return true;
  return false;
}
template <typename F> bool any_iface(const kxset *s, F f) {
  for (int i = 0; s && i < s->getnattr(); ++i)
    if (is_iface(s->get(i)) && f(s->get(i))) return true;
  return false;
}
bool has_member(const kxset *s) { return kxobj_ithmember(s, 0) != nullptr; }

// A set without a first member stands for its "default" set.
const kxset *or_default(const kxset *s) {
  for (int i = 0; s && i < kMaxDepth; ++i) {
    if (has_member(s)) return s;
    s = s->get(KxAtom::find("default"));
  }
  return nullptr;
}

// Domain a lies within domain b when b's name ends a's name.
bool domain_in(const kxset *a, const kxset *b) {
  std::string_view na = a->getnamea().view(), nb = b->getnamea().view();
  if (na.empty() || nb.empty() || nb.size() > na.size()) return false;
  if (strcasecmp(std::string(na.substr(na.size() - nb.size())).c_str(), std::string(nb).c_str()))
    return false;
  return nb.size() == na.size() || nb.front() == '.' || na[na.size() - nb.size() - 1] == '.';
}

bool netobj_in(const kxset *a, const kxset *b, int depth) {
  if (isall(b)) return true;
  if (depth > kMaxDepth) return false;
  if (t_dom(b)) return t_dom(a) && domain_in(a, b);
  if (t_dom(a)) return false;
  uint32_t aa = 0, ba = 0;
  uint32_t bm = netmask(b);
  if (t_net(a) && bm > netmask(a)) return false;
  if (!netaddr(a, aa, 0) || !netaddr(b, ba, 0)) return false;
  if ((aa & bm) == (ba & bm)) return true;
  if (t_net(a)) return false;
  if (t_is(a, "hostif"))
    return any_iface(b, [&](const kxset *i) {
      uint32_t ia = 0;
      return netaddr(i, ia, 0) && ia == aa;
    });
  return any_iface(a, [&](const kxset *i) { return netobj_in(i, b, depth + 1); });
}

bool grp_in(const kxset *a, const kxset *b, int depth);

bool element_in(const kxset *a, const kxset *b, int depth) {
  if (ieq(a->getname(), b->getname()) || isall(b)) return true;
  if (t_group(b)) return grp_in(a, b, depth + 1);
  if (t_is(a, "other") || t_is(b, "other")) return false;
  if (t_hostlike(a) || t_dom(a) || t_net(a)) return netobj_in(a, b, depth);
  return false;
}

bool grp_contained(const kxset *a, const kxset *b, int depth) {
  if (!has_member(a)) return true;
  if (!has_member(b)) return false;
  return !any_member(a, [&](const kxset *m) { return !grp_in(m, b, depth + 1); });
}

bool grp_in(const kxset *a, const kxset *b, int depth) {
  if (!a || !b || depth > kMaxDepth) return false;
  if (t_group(a)) return grp_contained(a, b, depth + 1);
  if (!has_member(b)) {
    const kxset *d = b->get(KxAtom::find("default"));
    return d ? element_in(a, d, depth + 1) : true;
  }
  return any_member(b, [&](const kxset *m) { return element_in(a, m, depth + 1); });
}

bool gen_intersec(const kxset *a, const kxset *b, int depth) {
  if (depth > kMaxDepth) return false;
  if (t_group(a))
    return any_member(a, [&](const kxset *m) { return gen_intersec(m, b, depth + 1); });
  if (t_group(b)) return gen_intersec(b, a, depth + 1);
  return element_in(a, b, depth) || element_in(b, a, depth);
}

// ---------------------------------------------------------- interfaces

std::string iface_name(const kxset *iface) {
  if (iface->getnamea().is_named()) return iface->getname();
  return std::string(kxobj_get(iface, "ifname")) + kxobj_get(iface, "ifnum");
}

// The interface's own network: "<object>-net-<interface>", type "net".
kxset *iface_network(const kxset *object, const kxset *iface) {
  uint32_t a = 0;
  parse_quad(kxobj_get(iface, "ipaddr"), a);
  uint32_t m = 0;
  if (!parse_quad(kxobj_get(iface, "netmask"), m) || m == 0) m = natural_mask(a);
  std::string name = std::string(kxobj_name(object)) + "-net-" + iface_name(iface);
  kxset *net = kxobj_new(name.c_str());
  kxobj_put(net, "type", "net");
  in_addr na{htonl(a & m)}, nm{htonl(m)};
  kxobj_put(net, "ipaddr", inet_ntoa(na));
  kxobj_put(net, "netmask", inet_ntoa(nm));
  return net;
}

kxset *access_setting(const kxset *iface) {
  kxset *na = iface->get(KxAtom::find("netaccess"));
  if (na && kxobj_isref(na)) na = kxobj_getref(na, netobj());
  if (!na || !na->getnamea().is_named()) na = kxobj_member(netobj(), "default");
  return na;
}

// The valid addresses of an interface as one object; `positive` tells a
// "default" setting at the top.
KxSetRef valid_object(kxset *object, kxset *iface, bool top, bool &positive) {
  positive = false;
  kxset *setting = access_setting(iface);
  if (!setting) return {};
  const char *access = kxobj_get(setting, "access");
  if (ieq(access, "default") && top) {
    positive = true;
    KxSetRef group(kxobj_new("default-addresses"));
    kxobj_put(group.get(), "type", "group");
    for (int i = 0; i < object->getnattr(); ++i) {
      kxset *other = object->get(i);
      if (!is_iface(other) || other == iface || is_open(other->get(KxAtom::find("netaccess"))))
        continue;
      bool pos = false;
      KxSetRef v = valid_object(object, other, false, pos);
      if (v && !isall(v.get())) group->append(KxAtom::null(), v.get());
    }
    return group;
  }
  if (ieq(access, "this") || ieq(access, "default")) return KxSetRef(iface_network(object, iface));
  return KxSetRef(setting);
}

} // namespace

bool netaddr(const kxset *obj, uint32_t &out, int report) {
  const char *text = kxobj_get(obj, "ipaddr");
  const char *name = blank(text) ? kxobj_name(obj) : text;
  if (!blank(text) && *text >= '0' && *text <= '9') return parse_quad(text, out);
  if (parse_quad(name, out)) return true;
  addrinfo hints{}, *res = nullptr;
  hints.ai_family = AF_INET;
  if (*name && getaddrinfo(name, nullptr, &hints, &res) == 0 && res) {
    out = ntohl(reinterpret_cast<sockaddr_in *>(res->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(res);
    return true;
  }
  return false;
}

uint32_t netmask(const kxset *obj) {
  if (t_hostlike(obj)) return 0xffffffffu;
  uint32_t m = 0;
  if (parse_quad(kxobj_get(obj, "netmask"), m) && m != 0) return m;
  uint32_t a = 0;
  netaddr(obj, a, 0);
  return natural_mask(a);
}

std::string port(const kxset *service, int report) {
  const char *p = kxobj_get(service, "port");
  if (*p) return p;
  const char *exp = kxobj_get(service, "exp");
  if (!service->get(KxAtom::find("port")) && !blank(exp))
    return strchr(exp, ',') ? std::string("(") + exp + ")" : std::string(exp);
  if (servent *s = getservbyname(kxobj_name(service), nullptr))
    return std::to_string(ntohs(static_cast<uint16_t>(s->s_port)));
  if (protoent *pe = getprotobyname(kxobj_name(service))) return std::to_string(pe->p_proto);
  return "";
}

bool cell_any(const kxset *cell) {
  const kxset *f = kxobj_ithmember(cell, 0);
  return f && ieq(f->getname(), "any");
}

bool cell_negated(const kxset *cell) {
  const char *op = kxobj_get(cell, "op");
  return strstr(op, "not") || strstr(op, "Not");
}

bool overlaps(const kxset *a, const kxset *b) {
  a = or_default(a);
  b = or_default(b);
  if (!a || !b) return false;
  return any_member(a, [&](const kxset *m) {
    return any_member(b, [&](const kxset *n) { return gen_intersec(m, n, 0); });
  });
}

bool within(const kxset *a, const kxset *b) { return grp_in(a, b, 0); }

bool cells_overlap(const kxset *a, const kxset *b) {
  return cell_any(a) || cell_any(b) || overlaps(a, b);
}

KxSetRef universe(kxset *router, kxset *iface) {
  bool positive = false;
  KxSetRef v = valid_object(router, iface, true, positive);
  if (!v) return {};
  KxSetRef cell(kxobj_newlist());
  cell->append(KxAtom::null(), v.get());
  if (!positive) kxobj_put(cell.get(), "op", "not in");
  const char *log = kxobj_get(iface, "netaccesslog");
  if (*log) {
    kxset *track = kxobj_newlist();
    track->append(KxAtom::null(), kxset::make(log));
    cell->append("log", track);
  }
  return cell;
}

std::string access_name(const kxset *netaccess) {
  if (kxobj_isref(netaccess)) return kxobj_get(netaccess, "refname");
  const char *access = kxobj_get(netaccess, "access");
  if (*access) return std::string("__") + access;
  return kxobj_name(netaccess);
}

bool is_open(const kxset *netaccess) { return istarts(kxobj_get(netaccess, "access"), "open"); }

std::string check_routers(const rule_list &rules) {
  if (rules.empty()) return "Empty Filter\n";
  return "";
}

std::string label_line() {
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  const passwd *pw = getpwuid(getuid());
  std::string user = pw ? pw->pw_name : std::to_string(getuid());
  static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  time_t now = time(nullptr);
  tm t{};
  char when[64] = "unknown time";
  if (localtime_r(&now, &t))
    snprintf(when, sizeof when, "%2d%s%d %2d:%02d:%02d", t.tm_mday, months[t.tm_mon], t.tm_year,
             t.tm_hour, t.tm_min, t.tm_sec);
  const char *file = file_getname();
  return "Filter Generated by " + user + "@" + host + " at " + when + " Rule-base " +
         (file && *file ? file : "NoName") + "\n";
}

std::string version_line() {
  utsname u{};
  std::string os = uname(&u) == 0 ? std::string(u.sysname) + u.release : "unknown o/s";
  return "Brenmark Version 2.0 (" __DATE__ ") running under " + os + "\n";
}

kxset *props() { return kxobj_ithmember(kx_props, 0); }
kxset *netobj() { return kx_netobj; }

bool obj_true(const kxset *set, const char *name) {
  const kxset *v = name ? (set ? set->get(KxAtom::find(name)) : nullptr) : set;
  return v && (v->getname()[0] == 't' || v->getname()[0] == 'T');
}

bool prop_where(const char *where, const char *name) {
  std::string key = std::string(name) + "_p";
  const char *pos = kxobj_get(props(), key.c_str());
  if (!*pos) return ieq(where, "first");
  return ieq(pos, where);
}

std::vector<kxset *> flat_members(const kxset *cell) {
  std::vector<kxset *> out;
  std::vector<const kxset *> seen;
  auto walk = [&](auto &self, const kxset *s, int depth) -> void {
    if (depth > kMaxDepth) return;
    any_member(s, [&](kxset *m) {
      if (t_group(m)) {
        if (std::find(seen.begin(), seen.end(), m) == seen.end()) {
          seen.push_back(m);
          self(self, m, depth + 1);
        }
      } else if (std::find(out.begin(), out.end(), m) == out.end()) {
        out.push_back(m);
      }
      return false;
    });
  };
  walk(walk, cell, 0);
  return out;
}

} // namespace rtenv
