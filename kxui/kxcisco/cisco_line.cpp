// One access-list line: protocol, address pairs and port operator.
#include "kxui/kxcisco/cisco.h"
#include "kxui/router/rtenv.h"

#include "kxu/portnum.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

const char kAnyPair[] = "0.0.0.0 255.255.255.255 ";

bool is_any(const kxset *obj) { return obj && strcasecmp(obj->getname(), "any") == 0; }

bool has_prefix(const char *s, const char *prefix) {
  return s && strncasecmp(s, prefix, std::char_traits<char>::length(prefix)) == 0;
}

std::string dotted(uint32_t host_order) {
  in_addr a{htonl(host_order)};
  char buf[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &a, buf, sizeof buf);
  return buf;
}

} // namespace

void cerror(const cisco_state &st, const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string msg = kxu::vformat(format, ap);
  va_end(ap);
  error(0, 0, "Cisco : router %s rule # %d : %s\n", st.router.c_str(), st.rule, msg.c_str());
}

int cisco_addr(cisco_state &st, const kxset *obj) {
  if (is_any(obj)) {
    st.out->Puts(kAnyPair);
    return 0;
  }
  const char *type = kxobj_type(obj);
  if (!type) {
    cerror(st, "Unknown type for %s", kxobj_name(obj));
    return -1;
  }
  if (!has_prefix(type, "host") && !has_prefix(type, "gateway") && !has_prefix(type, "net") &&
      !has_prefix(type, "route")) {
    cerror(st, "'%s' type '%s' is not supported", kxobj_name(obj), type);
    return -1;
  }
  uint32_t addr = 0;
  if (!rtenv::netaddr(obj, addr, 1)) {
    cerror(st, "Cannot get address for '%s'", kxobj_name(obj));
    return -1;
  }
  st.out->Puts(dotted(addr));
  st.out->Putc(' ');
  st.out->Puts(dotted(~rtenv::netmask(obj)));
  st.out->Putc(' ');
  return 0;
}

const char *cisco_proto(cisco_state &st, const kxset *service) {
  if (is_any(service)) return "ip";
  static const char *const protos[] = {"icmp", "ip", "tcp", "udp"};
  const char *type = kxobj_type(service);
  for (const char *p : protos)
    if (strcasecmp(p, service->getname()) == 0 || (type && strcasecmp(p, type) == 0)) return p;
  cerror(st, "type '%s' of service '%s' is not available", type ? type : "",
         kxobj_name(service));
  return nullptr;
}

// A negated bound turns into the opposite strict operator one step further
// out, so "not >1023" keeps 1023 (lt 1024). Bounds that match no port at all
// (">65535", "<0") are refused.
int cisco_srv(cisco_state &st, const kxset *service, const char *proto, bool negated) {
  if (is_any(service) || strcmp(proto, "icmp") == 0 || strcmp(proto, "ip") == 0) return 0;
  std::string text = rtenv::port(service, 0);
  if (text.empty()) {
    cerror(st, "corrupt port \n");
    return -1;
  }
  std::string why;
  std::optional<kxu::PortSpec> spec = kxu::parse_port_spec(text, kxobj_name(service), &why);
  if (!spec) {
    cerror(st, "%s\n", why.c_str());
    return -1;
  }
  const char op = spec->op == kxu::PortOp::gt ? '>' : spec->op == kxu::PortOp::lt ? '<' : '=';
  const bool supported = spec->low && (spec->op == kxu::PortOp::eq || op != '=');
  unsigned long n = spec->low.value_or(0);
  if (!supported || (op == '>' && n == 65535) || (op == '<' && n == 0)) {
    cerror(st, "%s port definition not supported\n", text.c_str());
    return -1;
  }
  const char *word = "eq";
  if (op == '>') {
    word = negated ? "lt" : "gt";
    if (negated) ++n;
  } else if (op == '<') {
    word = negated ? "gt" : "lt";
    if (negated) --n;
  } else if (negated) {
    word = "neq";
  }
  st.out->Pword(word, " ");
  st.out->Puts(std::to_string(n));
  return 0;
}

bool inuniverse(const kxset *obj, const kxset *valid) {
  if (is_any(obj) || !valid) return true;
  KxSetRef one = make_singleton(const_cast<kxset *>(obj));
  if (rtenv::cell_negated(valid)) return rtenv::overlaps(one.get(), valid);
  return !rtenv::within(obj, valid);
}

KxSetRef make_singleton(kxset *obj) {
  KxSetRef g(kxobj_newlist());
  kxobj_put(g.get(), "type", "group");
  g->append(KxAtom::null(), obj);
  return g;
}
