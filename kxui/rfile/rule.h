// Rule bases. A rule base is a kxset whose attributes named "rule" are the
// rules in order; any other attribute it holds is kept as read and written
// back unchanged. A rule is an unnamed set of cells:
//
//   "src", "dst", "services"  objects, with an optional "op" ("not in" negates)
//   "action"                  one entry of the actions table ("actobj")
//   "track"                   one entry of the track table ("trackobj")
//   "install"                 "gateway", "src", "dst", "none" or object names
//
// A cell is an unnamed set whose anonymous attributes are its items, in
// order. An item is, wherever possible, the very set of the objects database
// that bears its name (rule_getname), so a rule that names an object refers
// to the object itself and a rule base file names objects without repeating
// them.
#pragma once

#include "kxset/kxset.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Cell names.
inline constexpr const char RULE_SRC[] = "src";
inline constexpr const char RULE_DST[] = "dst";
inline constexpr const char RULE_SERVICES[] = "services";
inline constexpr const char RULE_ACTION[] = "action";
inline constexpr const char RULE_TRACK[] = "track";
inline constexpr const char RULE_INSTALL[] = "install";
// The operator attribute of a cell and the value that negates it.
inline constexpr const char RULE_OP[] = "op";
inline constexpr const char RULE_NOT_IN[] = "not in";
inline constexpr const char RULE_IN[] = "in";

// Rules in order, each held by one count. Dropping the list gives the counts
// back, never the rules to anybody else.
using rule_list = std::vector<KxSetRef>;

// The rule base set of the last read (one count held); an empty set until
// then. Replaced by every successful read.
extern kxset *kx_rules;
// Non-zero when the editor's rule base changed since it was loaded or saved.
extern int rule_modified;

// Creates the empty rule base set (once; later calls keep the current one).
void rule_init();

// --------------------------------------------------------------- rules

// A new empty rule (count 0). rule_free gives up one count (kxset_destroy).
kxset *rule_new();
void rule_free(kxset *rule);

// The set an item name resolves to: the first set of that name met when the
// objects view kx_objects is searched depth first, descending only through
// named attributes (so members of its tables are found, nothing inside an
// object); otherwise a new leaf of that name (count 0). Null for a null name.
kxset *rule_getname(const char *name);

// The names of the values of the cell's attributes named `sub`, in order,
// joined by single spaces. A null `sub` takes every attribute, "" the items,
// "op" the operator. "" when the rule or the cell is missing.
std::string rule_get(const kxset *rule, const char *cell, const char *sub);

// Sets a cell, creating it when missing. A non-empty `sub`: the cell's
// attribute `sub` becomes rule_getname(text). An empty or null `sub`: the
// cell's items are replaced by the words of `text` (split at white space),
// each resolved by rule_getname. 0 on success, -1 on a null rule or cell.
int rule_set(kxset *rule, const char *cell, const char *sub, const char *text);

// Replaces the cell's items by the one item `name` resolves to, taken as a
// whole ("User Auth" is one action, where rule_set would make two items).
// Creates the cell when missing. 0, or -1 on null arguments.
int rule_set_item(kxset *rule, const char *cell, const char *name);

// Appends `item` to the cell under the name `sub` ("" or null: anonymous)
// unless an attribute `sub` of the cell already holds a set of the item's
// name. Creates the cell when missing. 1 when appended, 0 when it was there,
// -1 on null arguments.
int rule_put(kxset *rule, const char *cell, const char *sub, kxset *item);

// Removes the first attribute `sub` of the cell whose value has the item's
// name. 0, or -1 when there is none.
int rule_del(kxset *rule, const char *cell, const char *sub, const kxset *item);
int rule_del(kxset *rule, const char *cell, const char *sub, const char *item_name);

// The older names of the four cell accessors.
inline std::string kxset_get(const kxset *rule, const char *cell, const char *sub) {
  return rule_get(rule, cell, sub);
}
inline int kxset_set(kxset *rule, const char *cell, const char *sub, const char *text) {
  return rule_set(rule, cell, sub, text);
}
inline int kxset_put(kxset *rule, const char *cell, const char *sub, kxset *item) {
  return rule_put(rule, cell, sub, item);
}
inline int kxset_del(kxset *rule, const char *cell, const char *sub, const kxset *item) {
  return rule_del(rule, cell, sub, item);
}

// The cell set, or null.
kxset *rule_get_set(const kxset *rule, const char *cell);

// Non-zero when the cell's "op" is "not in".
int rule_negated(const kxset *rule, const char *cell);

// A copy two levels deep (count 0): a new rule of the same name with a new
// set for each cell (same name) holding the same item sets under the same
// attribute names. Attributes whose names begin with "_" are left out.
kxset *rule_copy(const kxset *rule);

// --------------------------------------------------------------- install on

// Bits of the "install" cell as the editor's choice shows them.
enum rule_install_bits {
  RULE_INSTALL_NONE = 0,
  RULE_INSTALL_GATEWAY = 1,
  RULE_INSTALL_SRC = 2,
  RULE_INSTALL_DST = 4,
};
// The names of the mask's bits in the order gateway, src, dst joined by
// single spaces; "none" for 0.
std::string kx_install_v2s(int mask);
// The bitwise or of the values of the words of `text` (separated by blanks);
// unknown words add nothing.
int kx_install_s2v(const char *text);

// --------------------------------------------------------------- files

// Reads a rule base from `f` with the objects view as dictionary, `name`
// being the file name in messages. The rules in order, or nothing after a
// read error, which has been reported ("Failed to read rule file:\n...").
// Reports "%d rule%s read" on success.
std::optional<rule_list> rule_read(const char *name, FILE *f);
std::optional<rule_list> kxset_read(FILE *f);

// Writes the rules as the rule base (the attributes of kx_rules other than
// "rule" first, as read), saving the objects database before, with the
// objects view as dictionary. Clears rule_modified. 0, or -1 when writing or
// saving the objects failed.
int rule_write(const char *name, FILE *f, const rule_list &rules);
int kxset_write(FILE *f, const rule_list &rules);

// Writes any set without dictionary (a debugging aid). 0, or -1.
int kxset_dump(FILE *f, const kxset *set);
