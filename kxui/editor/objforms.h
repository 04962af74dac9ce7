// The property windows of network objects and services: the form of each
// kind, the defaults that "Apply" fills in, and the look-ups that fill a
// field from the system's name databases.
#pragma once

#include "kxui/editor/form.h"

#include <functional>
#include <map>

enum class ObjKind { host, router, cisco, wellfleet, network, domain, tcp, udp, rpc, icmp, other, group };

// The kind of window that edits `obj` (by its "type"); nothing for a type no
// window edits.
std::optional<ObjKind> obj_kind(const kxset *obj);
// The form of a kind ("Host Properties", ...).
const Form &obj_form(ObjKind kind);

// The set a kind's form is written to: the object itself, or for the
// Wellfleet setup its "vendor_info" (made when missing and `create`).
kxset *obj_form_target(ObjKind kind, kxset *obj, bool create);

// Fills the defaults of a kind into `obj` where they are missing: the SNMP
// communities and "show_in_menus" of hosts and routers, the first access
// list number and version of Cisco routers (a router of no vendor counts as
// Cisco).
void obj_defaults(ObjKind kind, kxset *obj);

// Is `name` free for `obj`? Returns the refusal message when another object
// of the network objects, services or (through the hook) users holds it.
using NameTaken = std::function<std::optional<std::string>(const std::string &name, const kxset *obj)>;

// "Apply": checks every value (and, when the name changed, that it is free),
// then writes them and the defaults. The refusal message with nothing
// written, or nothing on success.
std::optional<std::string> obj_apply(ObjKind kind, kxset *obj, const FormValues &values,
                                     const NameTaken &name_taken = {});

// A look-up button: the field values it fills (attribute -> value), or the
// message of the failed look-up. Kinds and fields: host "ipaddr" from the
// host's name; network "ipaddr" and "netmask" from the networks database;
// rpc "prognum", tcp and udp "port" from the name.
using LookupResult = std::map<std::string, std::string>;
std::optional<LookupResult> obj_lookup(ObjKind kind, const std::string &name, std::string *err);
