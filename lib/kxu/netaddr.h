// Host addresses and network masks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Dotted-quad text of a network-order address.
std::string ipaddr(uint32_t addr);

// The network-order address of a dotted address or a host name; 0 when
// unknown.
uint32_t hostaddr(const char *name);

// 0 when the names are equal or resolve to the same non-zero address, else 1
// (also when either is null).
int hostcmp(const char *a, const char *b);

// 1 when `name` is null or "all", the list is null, or an element is "all" or
// names the same host; 0 otherwise. `list` ends with a null pointer.
int host_in(const char *name, const char *const *list);
int host_in(const char *name, const std::vector<std::string> &list);

// This machine's address (network order), found once and then kept; 0 on
// failure (reported).
uint32_t getmyipaddr();

// The classful mask of a host-order address (class D and E: the address).
uint32_t netmask(uint32_t addr);

// Shifts a non-zero network number left by 8 bits until it is at least 2^24.
uint32_t net_normalize(uint32_t n);

// The file init_netmasks reads when given no path.
extern std::string netmasks_path;

// Records every "network mask" line of the netmasks file as the "netmasks"
// pair (dotted normalised network, host-order mask). Returns the number of
// lines recorded, -1 when the file cannot be read.
int init_netmasks(const char *path = nullptr);
