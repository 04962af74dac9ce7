// The firewall modules among a set of objects: the install targets a rule's
// cells name. Shared by the compiler, the router generators and the object
// layer's router list.
#pragma once

#include "kxset/kxset.h"

// Bit 0 of `flags`: an Any cell marks `dest` "any" instead of being searched.
enum { GEN_ANY_SHORTCUT = 1 };

// Adds to `dest` the targets among the members of `objects`: groups are
// searched (each group once), external objects are passed over, objects
// without a firewall module too unless `type` is "router" (networks and
// domains are replaced by the hosts and gateways of kx_netobj within them),
// and with a `type` only objects of that type count. Returns how many were
// added.
int gen_getfirewalled(kxset *dest, const kxset *objects, const char *type, int flags);
