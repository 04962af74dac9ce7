// Numbers and texts of network objects and services: addresses, masks and
// ports as the compiler and the router generators write them, and the
// classification of objects by their "type".
//
// Addresses and masks are 32-bit IPv4 values in HOST byte order (the first
// octet is the most significant byte), so that masks compare as unsigned
// numbers and ranges are plain integer intervals. KX_NOADDR (all bits set)
// means "no address".
#pragma once

#include "kxset/kxset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr uint32_t KX_NOADDR = 0xffffffffu;

// ------------------------------------------------------------- texts

// True for a null, empty or all-blank text.
bool isnull(const char *text);
// True when the name means everything: "all" or "any", case ignored.
bool isall(const char *name);
// The object's "type", or "notype" when it has none.
const char *element_type(const kxset *obj);

// ------------------------------------------------------------- kinds

namespace kxcomp {

// What an object is, from its "type" (case ignored). Hosts, gateways and
// routers are nodes; "net..." networks, "dom..." domains; "group" and
// "usrgroup" groups; "other" services have a kind of their own because they
// never lie within anything.
enum class Kind : uint8_t {
  notype,  // no "type"
  host,
  gateway,
  router,
  hostif,  // an interface entry
  net,
  domain,
  group,
  other,   // service of type "other"
  tcp,
  udp,
  rpc,
  icmp,
  unknown, // any other type
};
Kind kind_of(const kxset *obj);
inline bool is_node_kind(Kind k) { return k == Kind::host || k == Kind::gateway || k == Kind::router; }
inline bool is_service_kind(Kind k) {
  return k == Kind::tcp || k == Kind::udp || k == Kind::rpc || k == Kind::icmp || k == Kind::other;
}
// Kinds that the address relations apply to.
inline bool is_netobj_kind(Kind k) {
  return is_node_kind(k) || k == Kind::hostif || k == Kind::net || k == Kind::domain;
}

// The system's name tables, as the address and port accessors use them:
// `types` lists table names separated by commas ("hosts", "networks",
// "services", "proto", "rpc"); the first table that knows `name` gives the
// number (an address in host order for "hosts" and "networks"). Tests and
// front ends may install their own lookup (it is kept in the current
// CompileRun, and runs made from there take it over); null restores the
// system one.
using SymbolLookup = bool (*)(const char *name, const char *types, uint32_t *number);
SymbolLookup set_symbol_lookup(SymbolLookup fn);
bool lookup_symbol(const char *name, const char *types, uint32_t *number);

// Strict dotted quad "a.b.c.d" (each 0..255) into host order.
bool parse_dotted_quad(const char *text, uint32_t *out);

// The interface entries of an object: its attributes whose value has an
// "ifname", in attribute order.
std::vector<kxset *> object_interfaces(const kxset *obj);

} // namespace kxcomp

// ------------------------------------------------------------- addresses

// The classful mask of an address: 255.0.0.0 for top bit 0, 255.255.0.0 for
// top bits 10, 255.255.255.0 for 110, the address itself otherwise.
uint32_t natural_netmask(uint32_t addr);

// Dotted-quad text of an address.
std::string iptoa(uint32_t addr);
std::string praddr(uint32_t addr);

// The object's address from its "ipaddr" (a dotted quad or a name), or from
// its own name when "ipaddr" is blank; names go through the "hosts" and
// "networks" tables. KX_NOADDR when there is none. With `report` set a
// malformed quad reports "%s: Badly formed IP address %s"; with `report`
// positive a failed lookup reports "Cannot get address for '%s'".
uint32_t obj_netaddr_n(const kxset *obj, int report);
// The same as a dotted quad; for a domain the domain's name; "" when there is
// no address.
std::string obj_netaddr(const kxset *obj, int report);

// The object's mask: all bits for hosts, gateways, routers and interfaces;
// otherwise its "netmask" when that is a non-blank, non-zero quad, else the
// natural mask of its address.
uint32_t obj_netmask_n(const kxset *obj, int report);
std::string obj_netmask(const kxset *obj, int report);

// The address of the object `name` of `table` (0 when it has none); without a
// table or such an object, the system's address for the host name
// ("localhost" unknown to the system is 127.0.0.1). KX_NOADDR when unknown.
uint32_t objhostaddr(const char *name, const kxset *table);
// That address as a dotted quad, or "".
std::string objhostip(const char *name, const kxset *table);
// A text beginning with a digit is a dotted quad; any other text goes through
// objhostaddr over the network objects (kx_netobj). On failure errno is
// ENOENT and KX_NOADDR is returned.
uint32_t kxhostaddr(const char *text);
// The addresses of a host: its own, then those of each of its interfaces that
// has an "ipaddr"; for a name not in the table only the system's address.
std::vector<uint32_t> objhostaddrs(const char *name, const kxset *table);

// ------------------------------------------------------------- ports

// The text standing for a service's port, program number or code: a
// non-empty "port" unchanged (may be a range text); else, without a "port"
// attribute, a non-blank "exp" (wrapped in "(" ")" when it holds a comma);
// else the service's name looked up in "services,proto,rpc" as decimal text.
// Nothing when unknown ("Unknown service '%s'" when `report`).
std::optional<std::string> obj_port(const kxset *service, int report);
// The leading number of that text, -1 when there is none.
long obj_port_n(const kxset *service, int report);
