#include "kxu/sym.h"

#include "kxu/netaddr.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <rpc/netdb.h>
#include <sys/socket.h>

#include <array>
#include <cstring>
#include <deque>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

struct Sym {
  sym_type type;
  const std::string *name; // owned by SymTables::names
  long number;
};

struct SymTables {
  std::unordered_set<std::string> names; // one copy per distinct name
  std::deque<Sym> entries;               // stable addresses
  std::unordered_map<std::string_view, std::vector<const Sym *>> by_name;
  std::unordered_map<long, std::vector<const Sym *>> by_number;
  // Numbers the system's lookup did not know: asking again would scan its
  // database once per call (a log printer asks for every source port).
  std::set<std::pair<int, long>> unnamed;
  std::array<bool, SYM_NTYPES> loaded{};
};

SymTables &tables() {
  static SymTables t;
  return t;
}

const std::array<const char *, SYM_NTYPES> type_names = {
    "proto", "services", "rpc", "hosts", "networks", "netmasks", "tcp", "udp"};

void load_protocols() {
  setprotoent(0);
  while (struct protoent *p = getprotoent())
    sym_add(SYM_PROTO, p->p_name, p->p_proto);
  endprotoent();
}

// One pass over the services table fills "services" and the per-protocol
// "tcp" and "udp" types.
void load_services() {
  setservent(0);
  while (struct servent *s = getservent()) {
    long port = ntohs(static_cast<uint16_t>(s->s_port));
    sym_add(SYM_SERVICES, s->s_name, port);
    if (s->s_proto && std::strcmp(s->s_proto, "tcp") == 0)
      sym_add(SYM_TCP, s->s_name, port);
    else if (s->s_proto && std::strcmp(s->s_proto, "udp") == 0)
      sym_add(SYM_UDP, s->s_name, port);
  }
  endservent();
  tables().loaded[SYM_TCP] = tables().loaded[SYM_UDP] = tables().loaded[SYM_SERVICES] = true;
}

void load_rpc() {
  setrpcent(0);
  while (struct rpcent *r = getrpcent())
    sym_add(SYM_RPC, r->r_name, r->r_number);
  endrpcent();
}

void load_netmasks() { init_netmasks(); }

using Loader = void (*)();
using NameToNumber = std::optional<long> (*)(const char *);
using NumberToName = std::optional<std::string> (*)(long);

struct TypeOps {
  Loader load;
  NameToNumber to_number;
  NumberToName to_name;
};

const std::array<TypeOps, SYM_NTYPES> ops = {{
    {load_protocols, getproto, addrproto},
    {load_services, getservice, addrservice},
    {load_rpc, getrpc, addrrpc},
    {nullptr, gethost, addrhost},
    {nullptr, getnetwork, addrnetwork},
    {load_netmasks, nullptr, nullptr},
    {load_services, nullptr, nullptr},
    {load_services, nullptr, nullptr},
}};

const Sym *find_name(const char *name, sym_type type) {
  auto &t = tables();
  auto it = t.by_name.find(name);
  if (it != t.by_name.end())
    for (const Sym *s : it->second)
      if (s->type == type)
        return s;
  return nullptr;
}

const Sym *find_number(long number, sym_type type) {
  auto &t = tables();
  auto it = t.by_number.find(number);
  if (it != t.by_number.end())
    for (const Sym *s : it->second)
      if (s->type == type)
        return s;
  return nullptr;
}

// Runs the type's loader if it has one that has not run; true when it ran.
bool run_loader(sym_type type) {
  auto &t = tables();
  if (!ops[type].load || t.loaded[type])
    return false;
  t.loaded[type] = true;
  ops[type].load();
  return true;
}

bool valid(sym_type type) { return type >= 0 && type < SYM_NTYPES; }

std::set<std::pair<int, long>> &t_unnamed() { return tables().unnamed; }

} // namespace

int sym_type_byname(const char *name) {
  for (int i = 0; name && i < SYM_NTYPES; i++)
    if (std::strcmp(type_names[i], name) == 0)
      return i;
  return -1;
}

const char *sym_type_name(sym_type type) { return valid(type) ? type_names[type] : "?"; }

void sym_add(sym_type type, const char *name, long number) {
  if (!valid(type) || !name)
    return;
  auto &t = tables();
  const std::string &stored = *t.names.insert(name).first;
  const Sym &s = t.entries.emplace_back(Sym{type, &stored, number});
  t.by_name[stored].push_back(&s);
  t.by_number[number].push_back(&s);
}

int getsym(const char *name, sym_type type, long *number) {
  if (!name || !valid(type))
    return -1;
  const Sym *s = find_name(name, type);
  if (!s && run_loader(type))
    s = find_name(name, type);
  if (s) {
    if (number)
      *number = s->number;
    return 0;
  }
  if (!ops[type].to_number)
    return -1;
  std::optional<long> n = ops[type].to_number(name);
  if (!n)
    return -1;
  sym_add(type, name, *n);
  if (number)
    *number = *n;
  return 0;
}

std::optional<std::string> sym_name(long number, sym_type type) {
  if (!valid(type))
    return std::nullopt;
  const Sym *s = find_number(number, type);
  if (!s && run_loader(type))
    s = find_number(number, type);
  if (s)
    return *s->name;
  // A type whose loader read the whole system table knows every name the
  // system's lookup could find.
  if (!ops[type].to_name || ops[type].load || t_unnamed().count({type, number}))
    return std::nullopt;
  std::optional<std::string> name = ops[type].to_name(number);
  if (name)
    sym_add(type, name->c_str(), number);
  else
    t_unnamed().insert({type, number});
  return name;
}

std::string getname(long number, sym_type type) {
  if (std::optional<std::string> name = sym_name(number, type))
    return *name;
  switch (type) {
  case SYM_HOSTS:
    return ipaddr(static_cast<uint32_t>(number));
  case SYM_NETWORKS:
  case SYM_NETMASKS:
    return ipaddr(htonl(static_cast<uint32_t>(number)));
  default:
    return std::to_string(number);
  }
}

void sym_reset() {
  auto &t = tables();
  t.by_name.clear();
  t.by_number.clear();
  t.entries.clear();
  t.names.clear();
  t.unnamed.clear();
  t.loaded.fill(false);
}

std::string get_protocol(int p) { return getname(p & 255, SYM_PROTO); }
std::string get_service(int port) { return getname(port & 65535, SYM_SERVICES); }
std::string get_hostname(uint32_t addr) { return getname(addr, SYM_HOSTS); }

std::string get_fullhostname(uint32_t addr) {
  if (std::optional<std::string> name = addrhost(addr))
    return *name;
  return get_hostname(addr);
}

std::optional<long> getproto(const char *name) {
  struct protoent *p = getprotobyname(name);
  return p ? std::optional<long>(p->p_proto) : std::nullopt;
}

std::optional<std::string> addrproto(long number) {
  struct protoent *p = getprotobynumber(static_cast<int>(number));
  return p ? std::optional<std::string>(p->p_name) : std::nullopt;
}

std::optional<long> getservice(const char *name) {
  struct servent *s = getservbyname(name, nullptr);
  return s ? std::optional<long>(ntohs(static_cast<uint16_t>(s->s_port))) : std::nullopt;
}

std::optional<std::string> addrservice(long port) {
  struct servent *s = getservbyport(htons(static_cast<uint16_t>(port)), nullptr);
  return s ? std::optional<std::string>(s->s_name) : std::nullopt;
}

std::optional<long> getrpc(const char *name) {
  struct rpcent *r = getrpcbyname(name);
  return r ? std::optional<long>(r->r_number) : std::nullopt;
}

std::optional<std::string> addrrpc(long number) {
  struct rpcent *r = getrpcbynumber(static_cast<int>(number));
  return r ? std::optional<std::string>(r->r_name) : std::nullopt;
}

std::optional<long> gethost(const char *name) {
  struct addrinfo hints {};
  hints.ai_family = AF_INET;
  struct addrinfo *res = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &res) != 0 || !res)
    return std::nullopt;
  auto *sin = reinterpret_cast<struct sockaddr_in *>(res->ai_addr);
  long addr = sin->sin_addr.s_addr;
  freeaddrinfo(res);
  return addr;
}

std::optional<std::string> addrhost(long addr) {
  struct sockaddr_in sin {};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = static_cast<uint32_t>(addr);
  std::string host(NI_MAXHOST, '\0');
  if (getnameinfo(reinterpret_cast<struct sockaddr *>(&sin), sizeof sin, host.data(),
                  static_cast<socklen_t>(host.size()), nullptr, 0, NI_NAMEREQD) != 0)
    return std::nullopt;
  host.resize(std::strlen(host.c_str()));
  return host;
}

std::optional<long> getnetwork(const char *name) {
  struct netent *n = getnetbyname(name);
  return n ? std::optional<long>(n->n_net) : std::nullopt;
}

std::optional<std::string> addrnetwork(long net) {
  struct netent *n = getnetbyaddr(static_cast<uint32_t>(net), AF_INET);
  return n ? std::optional<std::string>(n->n_name) : std::nullopt;
}
