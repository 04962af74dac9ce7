// Relations between network objects, services, groups and rule cells:
// whether one lies within another, whether two overlap, and which members two
// cells have in common. The verification of a rule base, the install targets
// and the router generators decide with these.
//
// A cell or group is a kxset whose anonymous attributes are its members. A
// cell is Any when its first member is named "any" (case ignored) and negated
// when its "op" contains "not" or "Not". Groups are objects of type "group"
// or "usrgroup"; they are opened recursively (a group that contains itself is
// walked once). A set "has no member" when it has no anonymous attribute and
// its "default" chain leads to no set that has one.
//
// Domains: domain a lies within domain b when a is b or a subdomain of b:
// after dropping one leading and one trailing ".", the names are equal or a's
// name ends with "." followed by b's name (case ignored, neither empty). So
// eng.example.com and .eng.example.com lie within .example.com, while
// example.com does not lie within eng.example.com and xexample.com does not
// lie within example.com.
//
// These functions read objects and never change them.
#pragma once

#include "kxset/kxset.h"

#include <string_view>

// The cell is negated: its "op" value contains "not" or "Not".
bool obj_isnot(const kxset *cell);
// The cell is Any: its first anonymous member is named "any" (case ignored).
bool cell_isany(const kxset *cell);
// The first anonymous member, or null.
kxset *first_member(const kxset *set);
// No member: null, or no anonymous attribute and no set with one along the
// "default" chain.
bool set_nomember(const kxset *set);

// Domain containment as described above.
bool domain_in(std::string_view a, std::string_view b);

// Network object a lies within network object b.
int netobj_in(const kxset *a, const kxset *b);
// Element a lies within element b; groups opened.
int element_in(const kxset *a, const kxset *b);
// Element or group a lies within the members of b (a set without members
// contains everything).
int grp_in(const kxset *a, const kxset *b);
// Every member of a lies within b.
int grp_contained(const kxset *a, const kxset *b);
// Elements or groups a and b overlap.
int gen_intersec(const kxset *a, const kxset *b);
// Some member of a overlaps some member of b.
int grp_intersec(const kxset *a, const kxset *b);
// Two cells overlap, Any included (negation is not considered).
int list_do_intersec(const kxset *a, const kxset *b);
// The entry of the router generators: list_do_intersec.
int kxobj_do_intersec(const kxset *a, const kxset *b);

// A new set (count 0) whose anonymous members are the very objects common to
// the cells a and b, each once, with negation and Any resolved against
// `universe` (all network objects or all services): a negated cell stands
// for the objects of the universe that do not overlap it.
kxset *list_intersec(const kxset *universe, const kxset *a, const kxset *b);
