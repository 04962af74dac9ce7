// The object layer: network objects, services and the other named things of
// a policy are kxset trees held in the tables of the objects database. These
// functions are a procedural layer over kxset that speaks NUL-terminated
// strings for names and values.
//
// Layout: a table is an unnamed set whose anonymous attributes hold the
// objects; an object is a set named with the object's name whose attributes
// are its properties; a plain property value is a leaf set named with the
// value's text. Every object has "type". A group ("group", "usrgroup") holds
// its members as anonymous attributes, normally the very sets of the table.
//
// Conventions: null sets are accepted everywhere and give 0, null or "".
// Strings returned as `const char *` point into the set's atoms and stay
// valid while the set lives. Arrays are returned as std containers owned by
// the caller.
#pragma once

#include "kxset/kxset.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------- properties

// The object's name ("" for a null object).
const char *kxobj_name(const kxset *obj);
// The text of "type", or null.
const char *kxobj_type(const kxset *obj);
// The text of the value of `attr`, "" when missing; a null `attr` gives the
// object's own name. Never null.
const char *kxobj_get(const kxset *obj, const char *attr);
// Sets `attr` to a new leaf named `value` (the first attribute of that name
// is replaced); a null `attr` renames the object. Returns the leaf (or the
// object when renaming), null on null arguments.
kxset *kxobj_put(kxset *obj, const char *attr, const char *value);
// Removes the first attribute `attr`: 0, or -1 when there is none.
int kxobj_remove(kxset *obj, const char *attr);
// The value set of `attr`; when missing and `create` is non-zero a new
// unnamed set is stored under `attr` and returned.
kxset *kxobj_getobj(kxset *obj, const char *attr, int create);
// Stores `set` as the value of `attr`; returns `set` or null.
kxset *kxobj_putobj(kxset *obj, const char *attr, kxset *set);
// Parses the value as a number whose base comes from its prefix (0x hex,
// 0 octal). 1 on success, 0 when missing, empty or not a number.
int kxobj_getint(const kxset *obj, const char *attr, long *out);
int kxobj_getuint(const kxset *obj, const char *attr, unsigned long *out);
// A machine word kept as hexadecimal text; 0 when missing.
uintptr_t kxobj_getopaque(const kxset *obj, const char *attr);
kxset *kxobj_putopaque(kxset *obj, const char *attr, uintptr_t word);

// One property for kxobj_item_put, kxobj_gen and kxobj_addattr.
enum kxobj_kind {
  KXOBJ_HEX = 16,    // number written as "0x%08x"
  KXOBJ_SET = 32,    // deep copy of a set
  KXOBJ_STRING = 48, // text
  KXOBJ_INT = 64,    // number written as "%d"
};
struct kxobj_item {
  kxobj_item(const char *attr, const char *text) : attr(attr), kind(KXOBJ_STRING), str(text) {}
  kxobj_item(const char *attr, const kxset *set) : attr(attr), kind(KXOBJ_SET), set(set) {}
  kxobj_item(const char *attr, kxobj_kind kind, long num) : attr(attr), kind(kind), num(num) {}

  const char *attr;
  kxobj_kind kind;
  long num = 0;
  const char *str = nullptr;
  const kxset *set = nullptr;
};
// Stores one item under item.attr; a null string or set fails with null.
// Returns the stored value.
kxset *kxobj_item_put(kxset *obj, const kxobj_item &item);
// A new object (count 0) with the listed properties.
kxset *kxobj_gen(const char *name, std::initializer_list<kxobj_item> items);
// Adds the listed properties to `obj`; returns `obj`, or null when an item
// failed.
kxset *kxobj_addattr(kxset *obj, std::initializer_list<kxobj_item> items);

// The name, value text ("" when none) and value set of the i-th attribute.
const char *kxobj_igetattr(const kxset *obj, int i);
const char *kxobj_iget(const kxset *obj, int i);
kxset *kxobj_igetobj(const kxset *obj, int i);

// ---------------------------------------------------------------- lists

// New sets have count 0: they live once stored somewhere or held by a
// KxSetRef / kxset_save.
kxset *kxobj_new(const char *name);
kxset *kxobj_newlist();
// A new object with "type" set, inserted into `table` when given.
kxset *kxobj_create(kxset *table, const char *name, const char *type);
// Adds `obj` as an anonymous member, replacing a member of the same name.
int kxobj_insert(kxset *list, kxset *obj);
// Appends `obj` as an anonymous member / under `attr`.
int kxobj_append(kxset *list, kxset *obj);
int kxobj_aappend(kxset *list, const char *attr, kxset *obj);
// Removes the member that is this very set: 0, or -1 when absent.
int kxobj_delete(kxset *list, const kxset *obj);
// Removes all attributes.
void kxobj_emptylist(kxset *list);
// Number of attributes; number of anonymous members.
int kxobj_nsons(const kxset *list);
int kxobj_nmember(const kxset *list);
// The anonymous member with that name, case ignored; or null.
kxset *kxobj_member(const kxset *list, const char *name);
// The i-th anonymous member (from 0), or null.
kxset *kxobj_ithmember(const kxset *list, int i);
// The anonymous member / any value with exactly that name, or null.
kxset *kxobj_obj(const kxset *list, const char *name);
kxset *kxobj_obj_all(const kxset *list, const char *name);
// The first anonymous member whose name or "ipaddr" is `key`.
kxset *kxobj_getnamed(const kxset *list, const char *key);
// Names of the anonymous members; names of all values; the values of the
// attributes named `attr`.
std::vector<std::string> kxobj_names(const kxset *list);
std::vector<std::string> kxobj_sons(const kxset *list);
std::vector<kxset *> kxobj_array(const kxset *list, const char *attr);
// A new unnamed list of the members of `table` (kx_netobj when null) whose
// `attr` equals `value`, case ignored.
kxset *kxobj_getlist(const kxset *table, const char *attr, const char *value);
// True when the object's "type" agrees with `type` in its first three
// characters (case ignored) and, when `attr` is given and the object has it,
// its value equals one of `values` (case ignored).
int kxobj_match(const kxset *obj, const char *type, const char *attr,
                const std::vector<std::string> &values);
// Appends to `list` every member of `table` that has a "type" and matches;
// returns the number of members examined.
int kxobj_add(kxset *list, const char *type, const kxset *table, const char *attr,
              const std::vector<std::string> &values);
// Removes every attribute of `list` whose value matches; returns how many.
int kxobj_del(kxset *list, const char *type, const char *attr,
              const std::vector<std::string> &values);
// Puts every value of `src` into `dst` under its attribute name, replacing a
// same-named member. Nothing when dst is src.
void kxobj_concatanate(kxset *dst, const kxset *src);
// One level deep; the whole tree; same name with the attributes shared.
kxset *kxobj_copy(const kxset *obj);
kxset *kxobj_rcopy(const kxset *obj);
kxset *kxobj_dupobj(const kxset *obj);
// Replaces the attributes of `dst` by those of `src` (values shared).
void kxobj_copyback(kxset *dst, const kxset *src);
void kxobj_destroy(kxset *obj);

// ---------------------------------------------------------------- references

// A new unnamed set with "type" "refobj" and "refname" "#_<name>".
kxset *kxobj_makeref(const kxset *obj);
// The member of `table` (kx_netobj when null) that the reference names.
kxset *kxobj_getref(const kxset *ref, const kxset *table);

// ---------------------------------------------------------------- predicates

int is_node(const kxset *obj);       // host, router or gateway
int is_net(const kxset *obj);        // type begins with "net"
int is_domain(const kxset *obj);     // type begins with "dom"
int is_group(const kxset *obj);      // group or usrgroup
int is_usergroup(const kxset *obj);  // usrgroup
int is_internal(const kxset *obj);   // "location" is "internal"
int is_firewalled(const kxset *obj); // "firewall" is "installed"
int kxobj_isref(const kxset *obj);   // type refobj
int kxobj_isany(const kxset *obj);   // named "any" or first member named "any"
int kxobj_empty(const kxset *obj);   // no attributes

// ---------------------------------------------------------------- groups

// The group itself when obj is the group, a group that holds obj (this very
// set) directly, or recursively the innermost member group that holds it;
// null when absent. Member loops are walked once.
kxset *kxobj_find(kxset *group, const kxset *obj);
// The first member group (depth first) that holds obj.
kxset *kxobj_intersec(kxset *set, const kxset *obj);
// The groups of `table` with a member named like obj.
std::vector<kxset *> kxobj_find_parents(const kxset *table, const kxset *obj);
// Appends the group and then, in reverse order, every member the list does
// not hold yet, descending into member groups.
void kxobj_flat(kxset *list, kxset *group);
// A property test on an object, or on every member of a group (all must
// pass): attr equals value (case ignored); the predicate holds; attr present
// and non-empty.
int kxobj_propval(const kxset *obj, const char *attr, const char *value);
int kxobj_propfunc(const kxset *obj, const std::function<int(const kxset *)> &predicate);
int kxobj_prop(const kxset *obj, const char *attr);

// Merges `src` into `dst` (used by import): see kxobj_merge.cpp.
void kxobj_merge(kxset *dst, const kxset *src);

// ---------------------------------------------------------------- hosts

// Keeps a deep copy of the candidates (of kx_netobj when null and no copy is
// kept yet) / of the user's selection (null clears it).
void kx_sethosts(const kxset *list);
void kx_setselected(const kxset *list);
// Drops both copies (the objects database was reloaded).
void kx_resethosts();
// Names of the internal, firewalled hosts and gateways among the candidates,
// restricted to the selection when one is kept; kx_getsysconf the same over
// the whole kx_netobj.
std::vector<std::string> kx_gethosts();
std::vector<std::string> kx_getsysconf();
// A new list of the routers that gen_getfirewalled yields from `table`
// (kx_netobj when null) and that have a "vendor" (equal to `vendor`, case
// ignored, when given).
kxset *kxobj_all_routers(const kxset *table, const char *vendor);
// The number of objects of type router in kx_netobj; their names.
int kxobj_n_routers();
std::vector<std::string> kxobj_routers();
// The "vendor" of each object named (in kx_netobj); reports and gives
// nothing on the first name that fails.
std::optional<std::vector<std::string>> kxobj_types(const std::vector<std::string> &names);
