// "User Auth" rules: members of a user group, coming from a location, reach
// a destination through a firewalled gateway once they have authenticated
// there. Such a rule is checked by its own rules, compiled as two ordinary
// rules (location -> gateway, gateway -> destination) and copied into the
// script's auth rules database.
#pragma once

#include "kxui/compiler/check.h"
#include "kxset/kxset.h"

#include <optional>
#include <string>

// The messages of the authentication checks of a rule base, or nothing.
std::optional<std::string> gen_authcheck(const rule_array &rules);

// A new set (count 0) holding the two translated rules as anonymous members:
// A from the users' locations to the rule's gateways, installed on "Dst";
// B from the gateways to the rule's destination, installed on "Src".
kxset *translate_auth_rule(const kxset *rule);

// Appends the statements of both translated rules with the rule number n and
// records the alerts of the action's "accept_track" and "reject_track".
bool gen_authrule(std::string &dst, const kxset *rule, kxset *lists, kxset *services,
                  kxset *addresses, int n);

// A new set (count 0) of copies of the authentication rules, each named
// "rule-<n>" from its 1-based number.
kxset *gen_authrulebase(const rule_array &rules);

// A service is telnet or ftp, or a group of such services only.
int is_authservice(const kxset *service);
// The cell holds a user group (groups opened).
int contain_usergroups(const kxset *cell);
// The user database knows the group.
int exist_usergroup(const char *group);
// Appends to `dst` every member of `services` whose type is neither "other"
// nor "icmp".
void no_other_srv(kxset *dst, const kxset *services);

// How exist_usergroup asks the user database; null (the default) treats
// every group as known, for installations without a user database.
extern int (*kx_usergroup_known)(const char *group);
