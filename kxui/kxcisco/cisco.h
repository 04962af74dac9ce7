// Access lists for routers of the vendor "cisco": the rules installed on a
// router become numbered IOS extended IP access lists, one per interface and
// direction, followed by the commands that bind them to the interfaces.
#pragma once

#include "kxui/kxcisco/kxstream.h"
#include "kxui/rfile/rule.h"

#include "kxset/kxset.h"

#include <string>

// The configuration text for every cisco router among `routers` (null: all
// network objects). With `install` the router verification runs first and
// the lists are written; without it only the commands that remove the
// bindings. The text belongs to a stream kept between calls and stays valid
// until the next generation; null on failure (reported, no partial text).
const char *cisco_rulebase(const rule_list &rules, const kxset *routers, int install);

// Directions as two-bit sets.
enum { CISCO_IN = 1, CISCO_OUT = 2 };

struct cisco_dirinfo {
  bool v10 = false; // the "version" begins with "10."
  int rules = CISCO_OUT;
  int spoof = 0;
};
cisco_dirinfo cisco_getdirinfo(const kxset *router);

// The first list number from "alnum": 101 when missing, kept within 101..190.
int cisco_first_list(const kxset *router);

// The state every line and message uses.
struct cisco_state {
  KxStream *out = nullptr;
  std::string router;
  int rule = 0;
  int list = 0;
};

// "Cisco : router %s rule # %d : %s\n" through error().
void cerror(const cisco_state &st, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Address part of a line: "A W " for an object, the any pair for Any.
int cisco_addr(cisco_state &st, const kxset *obj);
// Port part: nothing for Any, icmp and ip; "eq"/"gt"/"lt" (negated
// "neq"/"le"/"ge" as their gt/lt forms) and the port otherwise.
int cisco_srv(cisco_state &st, const kxset *service, const char *proto, bool negated);
// The protocol keyword of a service (null after a reported failure).
const char *cisco_proto(cisco_state &st, const kxset *service);

// Is an object valid on an interface with the valid-address cell `valid`?
bool inuniverse(const kxset *obj, const kxset *valid);
// A new unnamed group holding one object.
KxSetRef make_singleton(kxset *obj);

// The lines of one rule for the current list; `dir` is the list's direction.
int cisco_rule(cisco_state &st, const kxset *rule, const kxset *valid, int dir);
// The anti-spoofing lines of a list; returns how many lines were written.
int cisco_spoof(cisco_state &st, const kxset *valid, int dir);
// The implied rules of the router properties at `where`.
void cisco_gen_properties(cisco_state &st, const kxset *router, const char *where);
