// A process-wide cache of names for numbers: protocols, services, RPC
// programs, hosts, networks and network masks. Types with a loader read their
// whole system table the first time a lookup misses; the others ask the
// system's single lookup function and remember its answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum sym_type {
  SYM_PROTO,    // "proto": protocol numbers
  SYM_SERVICES, // "services": port numbers of any protocol
  SYM_RPC,      // "rpc": RPC program numbers
  SYM_HOSTS,    // "hosts": IPv4 addresses in network byte order
  SYM_NETWORKS, // "networks": network numbers in host byte order
  SYM_NETMASKS, // "netmasks": dotted network -> mask in host byte order
  SYM_TCP,      // "tcp": TCP service ports
  SYM_UDP,      // "udp": UDP service ports
  SYM_NTYPES
};

// The type named "proto", "services", ...; -1 for an unknown name.
int sym_type_byname(const char *name);
const char *sym_type_name(sym_type type);

// Records (name, number) for `type`. Several entries may share a name or a
// number; lookups meet them in the order they were added.
void sym_add(sym_type type, const char *name, long number);

// Name to number: 0 and *number set when known, -1 otherwise.
int getsym(const char *name, sym_type type, long *number);

// Number to name, when some table or lookup knows it.
std::optional<std::string> sym_name(long number, sym_type type);

// Number to name; an unknown number gives its text: the dotted address for
// hosts, networks and masks, decimal otherwise.
std::string getname(long number, sym_type type);

// Forgets every loaded type and every recorded pair.
void sym_reset();

std::string get_protocol(int p);          // name of p & 255
std::string get_service(int port);        // name of port & 65535
std::string get_hostname(uint32_t addr);  // network byte order
std::string get_fullhostname(uint32_t addr);

// The system's single lookups behind the cache.
std::optional<long> getproto(const char *name);
std::optional<std::string> addrproto(long number);
std::optional<long> getservice(const char *name);
std::optional<std::string> addrservice(long port);
std::optional<long> getrpc(const char *name);
std::optional<std::string> addrrpc(long number);
std::optional<long> gethost(const char *name);
std::optional<std::string> addrhost(long addr);
std::optional<long> getnetwork(const char *name);
std::optional<std::string> addrnetwork(long net);
