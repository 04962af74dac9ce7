// Conditions of the filter script: how a rule's source, destination and
// service cells become text, the named lists that the script defines once,
// and the writing routines every generator uses.
//
// Text is appended to a std::string (growable; no capacity limits). Names of
// objects, services, lists and formats reach the script through pwordl: in
// lower case with every blank turned into "_".
//
// Shared tables (plain sets the caller creates empty per compilation):
//   lists      the list table: each entry's attribute name is the list kind
//              ("host", "gateway", "router", "net", "domain", "broadcast",
//              "target", ...), the set's name is the list name, its
//              anonymous members are the objects
//   addresses  the used-addresses table: network objects named by conditions
//   services   the used-services table: services named by conditions
// Both used-tables hold each object once (by name), as anonymous members.
// Lookups in these tables go through indexes kept per table for the run
// (dropped by reset_list_counter): other code may append entries or take
// them out, but an entry already in a table is not changed in place.
#pragma once

#include "kxset/kxset.h"

#include <optional>
#include <string>

// ------------------------------------------------------------- writing

// Appends s1 then s2 (either may be null). A null s1 writes nothing at all,
// not even s2. Returns dst for chaining.
std::string &pword(std::string &dst, const char *s1, const char *s2 = nullptr);
// Like pword, but s1 goes in lower case with every blank as "_".
std::string &pwordl(std::string &dst, const char *s1, const char *s2 = nullptr);

// ------------------------------------------------------------- lists

// Generated list names: "%s_list%d" from the kind and the next value of one
// counter shared by all kinds. The driver resets it per compilation.
void reset_list_counter();
int list_counter();
std::string new_list_name(const char *kind);

// An entry of kind `kind` in `lists` with the same anonymous members as
// `members` (same count, every member of each found by name in the other),
// or null.
kxset *find_equal_list(const kxset *lists, const char *kind, const kxset *members);
// The name of the list of kind `kind` holding the anonymous members of
// `members`: an equal list's name, or a new list (named by new_list_name,
// holding the same member sets) appended to `lists` under `kind`.
std::string gen_list_name(kxset *lists, const char *kind, const kxset *members);

// Adds `obj` to the used-table `table` unless a member of that name is
// there; true when added.
bool used_add(kxset *table, kxset *obj);

// ------------------------------------------------------------- type lists

// A new set (count 0) of empty type lists, each an anonymous attribute whose
// value is a set named by the list's kind: "host", "gateway", "router",
// "net", "domain" for network objects; "tcp", "udp", "rpc", "icmp", "other"
// for services.
kxset *type_gen_netobj();
kxset *type_gen_servobj();
// Puts `obj` into the list whose kind agrees with the first three letters of
// its type (case ignored); groups are opened recursively instead (each group
// once); objects of no list's kind are left out. Each object enters a list at
// most once (by name); hosts, gateways and routers bring their interface
// objects along. The name of the first domain met is stored in
// `first_domain` when it is given and still empty.
void span_listobj(kxset *types, kxset *obj, std::string *first_domain = nullptr);
// Appends `obj` to one type list unless the list holds that name; a node's
// interface objects follow it. True when `obj` was added.
bool objlist_append(kxset *list, kxset *obj);
// Appends the interface objects of a host, gateway or router (slots "if-0"
// to "if-11") to `list`, skipping unnamed interfaces, interfaces without
// address and duplicate addresses (reported).
void host_append_addrs(kxset *list, const kxset *obj);
// Takes every network of the "net" list whose mask is not the natural mask
// of its address out into an entry of its own named "netmask", appended to
// `types` in the order found.
void lists_netcode(kxset *types);

// ------------------------------------------------------------- interfaces

// The name of an interface entry: its own set name when it has one; else
// "ifname" followed by "ifnum" (when present); else "iffullname", which is
// then also stored as its "ifname". "" when it has none of these.
std::string fix_ifname(kxset *iface);
// The interface object of `iface` of `obj`: named "<obj>-<iface>" (or
// "<obj>-net-<iface>" with `as_network`). When `list` already holds a member
// of that name, that member is returned and *created is false. Otherwise a
// new set (count 0; the caller stores it) sharing the entry's attributes,
// with "type" "hostif" (or, with `as_network`, "net" and "ipaddr" the
// network address of the interface), and *created is true. Null when the
// interface has no name.
kxset *makeifobj(const kxset *obj, kxset *iface, const kxset *list, bool as_network,
                 bool *created);

// ------------------------------------------------------------- conditions

// Appends the condition of a network-object cell for `field` ("ip_src" or
// "ip_dst"). `sep`: something precedes it in the rule (writes ",\n\t\t"
// first); `accept`: the rule's action is "accept"; `allow_domains` false
// refuses domains (anti-spoofing): then false is returned, nothing written,
// and the first domain's name is stored in `domain` when given. An Any cell
// writes nothing. True otherwise.
bool gen_netobj(std::string &dst, const char *field, const kxset *cell, kxset *lists,
                kxset *addresses, bool sep, bool accept, bool allow_domains,
                std::string *domain = nullptr);
// Appends the service condition of a cell (no leading separator); an Any or
// empty cell writes nothing.
void gen_rule_services(std::string &dst, const kxset *cell, kxset *services);

// The value of an address definition: for a type beginning with "net" the
// network address (address AND mask) and the mask as dotted quads joined by
// ", "; otherwise the object's address (obj_netaddr). Nothing for an object
// without type.
std::optional<std::string> obj_netname(const kxset *obj, int report);
