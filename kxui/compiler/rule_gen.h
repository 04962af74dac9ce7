// One ordinary rule as one statement of the filter script: scope line,
// action word, service, source and destination conditions, action calls and
// track calls.
//
//   inbound\tall@gw
//   \taccept\t(tcp, telnet),
//   \t\t(ip_dst = mailserver),
//   \t\tLOG(short,LOG_NOALERT,3);
#pragma once

#include "kxset/kxset.h"

#include <string>

// The separator between the elements of a statement.
inline constexpr const char GEN_SEP[] = ",\n\t\t";

// Appends the statement of rule number n (1-based). False on failure; a rule
// without a firewall target appends nothing and succeeds.
bool gen_rule(std::string &dst, const kxset *rule, kxset *lists, kxset *services,
              kxset *addresses, int n);

// The action word and a tab. `accept` becomes true when the word is exactly
// "accept". False when the cell holds no named action object.
bool gen_action(std::string &dst, const kxset *action_cell, bool *accept);

// The action object's macro call "macro(n)" and trap call "TRAP(trap,n)",
// each preceded by GEN_SEP when `sep` or an earlier call was written. Returns
// whether anything was written.
bool gen_action_action(std::string &dst, const kxset *action_cell, bool sep, int n);

// The track calls of a track cell: "MACRO(format,ALERT,n)" for each named
// element, the first preceded by GEN_SEP when `sep`, the others by ", ".
// An alert enters the log macro table under a key of its own. Returns
// whether anything was written.
bool gen_andlist(std::string &dst, const kxset *track_cell, bool sep, int n);

// The rule's action object and its name ("" when none).
kxset *rule_action_obj(const kxset *rule);
const char *ruleaction(const kxset *rule);
// The action is "User Auth" (case ignored).
int is_authrule(const kxset *rule);
