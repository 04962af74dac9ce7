// Network objects and services in selections: the (address, mask) pairs
// and ports of the quick test, and membership for the full test, through
// groups and by the objects' properties.
#pragma once

#include "kxlv/selist.h"

#include <cstdint>
#include <vector>

// The values of a list: the children of "vals" when it has one, else its
// own anonymous children.
std::vector<const kxset *> kxlv_list_values(const kxset *list);

// The object a list value or group member stands for: the value itself when
// it carries its properties, else the object of that name in `table`
// ("netobj" or "servobj"); null when there is none.
const kxset *kxlv_object_of(const kxset *v, const char *table, const kxlv_object_finder *objects);

// Appends the (address, mask) pairs of a network object: hosts, gateways
// and routers by their address, networks by address and mask, groups by
// their members, "any" as (0, 0). False for an object without an address
// (domains, patterns), which leaves the selection to the full test.
bool kxlv_object_pairs(const kxset *o, const kxlv_object_finder *objects, int depth, std::vector<uint32_t> *out);
// Whether an address is a member of a network object.
bool kxlv_address_member(const kxset *o, uint32_t v, const kxlv_object_finder *objects, int depth);

// Appends the ports of a service (groups through their members); false when
// one has no single port (a range, an rpc or icmp service).
bool kxlv_service_ports(const kxset *o, const kxlv_object_finder *objects, int depth, std::vector<uint32_t> *out);
// Whether a logged service (its shown text and its port word) is a member
// of a selected service.
bool kxlv_service_member(const kxset *o, const std::string &text, uint32_t word, const kxlv_object_finder *objects,
                         int depth);
