// Where a rule is enforced: its install targets among the network objects,
// the direction, and the scope line that begins each rule statement.
//
//   inbound\tall@gw
//   eitherbound\tall@target_list2
//   outbound\tall@all
#pragma once

#include "kxui/compiler/run.h"
#include "kxui/obj/firewalled.h"
#include "kxset/kxset.h"

#include <string>

// Which install targets count: the firewall script (routers only mark
// "others"), all targets together, or the router lists (firewalled targets
// only mark "others").
enum { TARGETS_FIREWALL = 0, TARGETS_ALL = 1, TARGETS_ROUTERS = -1 };

// Computes the rule's targets into `targets` (unnamed members, plus the
// markers "any" and "others") and returns the direction word "outbound",
// "inbound" or "eitherbound"; null when the rule has no "install" cell.
// With `collect`, every target is also added to it by name.
const char *gen_targets(const kxset *rule, kxset *targets, int mode, kxset *collect, int flags);
// gen_targets with mode 0, no collection and the Any shortcut.
const char *kx_genscopelist(const kxset *rule, kxset *targets);

// Adds to `dest` the targets among all objects of a table (groups walked
// once, networks not opened since what lies in them is in the table too):
// internal objects with a firewall module (any internal router when `type`
// is "router"), of `type` when given. Remembered while a TargetCache lives.
// Returns how many were added.
int firewalled_of_table(kxset *dest, const kxset *table, const char *type);

// Number of attributes of a target set, the "others" marker not counted.
int target_count(const kxset *targets);

// Appends the scope line of a rule ("<direction>\tall@<target>\n\t").
// Returns false, writing nothing, when the rule has no firewall target.
bool gen_scope(std::string &dst, const kxset *rule, kxset *lists, kxset *addresses);

// While an object of this class lives, the searches of whole tables
// (every gateway, every router, hosts within a network) are remembered, so
// a compilation of many rules walks the network objects once. The objects
// must not change meanwhile. The cache belongs to the current CompileRun.
class TargetCache {
public:
  TargetCache();
  ~TargetCache();
  TargetCache(const TargetCache &) = delete;
  TargetCache &operator=(const TargetCache &) = delete;

private:
  CompileRun &run_;
};
