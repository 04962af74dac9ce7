// Interface access groups: for every interface of every firewalled object,
// the addresses valid on it and the anti-spoofing statements that drop and
// reject the others.
//
//   inbound le0@gw
//   \tdrop (netof ip_src != gw-net-le0),
//   \t\tLOG(long,LOG_NOALERT,0);
//   outbound le0@gw
//   \treject (netof ip_dst != gw-net-le0),
//   \t\tLOG(long,LOG_NOALERT,0);
#pragma once

#include "kxset/kxset.h"

#include <string>

// The addresses valid on an interface. Below the top level: the object that
// stands for them (null when none). At the top level: a new cell (count 0)
// whose one member is that object, negated ("not in") except for an access
// of "default", with "log" holding the violation track when the interface
// has one. Interface networks made on the way enter `addresses` when new.
kxset *ifaccesslist(kxset *object, kxset *iface, kxset *addresses, int top);
kxset *kx_ifaccesslist(kxset *object, kxset *iface, kxset *addresses, int top);
// The top-level cell with a private addresses table.
kxset *kx_getuniverse(kxset *object, kxset *iface);

// The access setting's "access" value begins with "open" (case ignored).
int is_open(const kxset *netaccess);
// How router lists name an access setting: a reference's "refname", else
// "__" and the "access" value, else the setting's own name.
std::string getaccessname(const kxset *netaccess);
// `name` cut at its last "." (unchanged without one).
std::string rmsuffix(const char *name);

// Appends the access groups of one object. False on failure (a domain in an
// anti-spoofing cell, reported).
bool gen_accesslist(std::string &dst, kxset *object, kxset *lists, kxset *addresses);
// "\n// Interface access groups\n" and the groups of every firewalled object.
bool gen_all_accesslists(std::string &dst, kxset *lists, kxset *addresses);
