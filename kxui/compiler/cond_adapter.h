// The compiler's view of the condition writers and the list table: one place
// that adapts the expression layer to the text buffers used here.
#pragma once

#include "kxset/kxset.h"

#include <cstdint>
#include <string>

namespace kxrb {

// Appends the condition of a network-object cell for `field` ("ip_src" or
// "ip_dst"). False when `allow_domains` is off and the cell holds a domain;
// `domain` then receives the first domain's name.
bool cond_netobj(std::string &dst, const char *field, kxset *cell, kxset *lists,
                 kxset *addresses, bool sep, bool accept, bool allow_domains,
                 std::string *domain);

// Appends the service condition of a cell.
void cond_services(std::string &dst, kxset *cell, kxset *services);

// The name of the list of kind `kind` holding exactly the members of
// `members`: an equal list of the table, or a new one named from the kind
// and the list counter and added to the table.
std::string list_name_for(kxset *lists, const char *kind, const kxset *members);

// Sets the list counter back so that the next list is numbered 1.
void list_counter_reset();

// The name of an interface (its own name, or "ifname" + "ifnum", or
// "iffullname"); empty when it has none (reported).
std::string iface_name(const kxset *object, kxset *iface, int slot);

// The interface's network object: named "<object>-net-<interface>", type
// "net", address = interface address AND mask. Count 0.
kxset *iface_netobj(kxset *object, kxset *iface);

} // namespace kxrb
