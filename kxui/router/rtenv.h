// What the router generators need from the policy compiler: addresses and
// ports of objects, the overlap relations of cells, the valid addresses of an
// interface, the router verification, the label lines and the properties.
// Both generators go through this one seam.
#pragma once

#include "kxset/kxset.h"
#include "kxui/rfile/rule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rtenv {

// The object's address in host byte order; false when it has none ("Cannot
// get address for '%s'" reported when `report` is positive).
bool netaddr(const kxset *obj, uint32_t &out, int report);
// The object's mask in host byte order: all ones for hosts, gateways,
// routers and interface objects.
uint32_t netmask(const kxset *obj);
// The text of a service's port, program number or code; empty when none.
std::string port(const kxset *service, int report);

// The cell's first member is named "any" (case ignored).
bool cell_any(const kxset *cell);
// The cell's "op" contains "not" or "Not".
bool cell_negated(const kxset *cell);
// Some member of `a` overlaps some member of `b`.
bool overlaps(const kxset *a, const kxset *b);
// Element or group `a` lies within the members of `b`.
bool within(const kxset *a, const kxset *b);
// Two cells overlap, Any included.
bool cells_overlap(const kxset *a, const kxset *b);

// The addresses valid on an interface of a router as a cell (negated for
// "this" and reference settings, positive for "default").
KxSetRef universe(kxset *router, kxset *iface);
// The name under which router lists refer to an interface's access setting.
std::string access_name(const kxset *netaccess);
bool is_open(const kxset *netaccess);

// The verification for router targets; empty when nothing is wrong.
std::string check_routers(const rule_list &rules);
// The label and version lines of generated filters, each ending in "\n".
std::string label_line();
std::string version_line();

// The global properties set (null when none is loaded) and the network
// objects table.
kxset *props();
kxset *netobj();
bool prop_where(const char *where, const char *name);
bool obj_true(const kxset *set, const char *name);

// The members of a cell with every group opened, each object once, in
// order. A cell of Any gives its one member Any.
std::vector<kxset *> flat_members(const kxset *cell);

} // namespace rtenv
